// The activity log: time-stamped lines about what the worker does, appended to
// the main window's log list box.
#pragma once

struct CopyJob;

// Appends the lines for the job's current step and state.
void log_step(const CopyJob* job);
// Window thread: appends a line of the program's own, string `id` (its
// first %s the time stamp) formatted with `value`.
void log_event(unsigned id, int value);
