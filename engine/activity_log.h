// The activity log: time-stamped lines about what the worker does, appended to
// the main window's log list box.
#pragma once

struct CopyJob;

// Appends the lines for the job's current step and state.
void log_step(const CopyJob* job);
