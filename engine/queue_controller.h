// The queue controller: a thread that walks the file list pass after pass and
// copies every job that is not complete, one worker at a time.
#pragma once

#include <cstdint>

// Start button: starts the controller unless one is running.
void start_controller();
// Clears `run` and gives `log_enabled` its new value when the controller runs;
// `wait` waits for it to end (serving the window's calls meanwhile), `close`
// releases its handle.
void stop_controller(bool wait, bool close, bool log_value);
// Window destruction, once `closing` is set: ends the copy at once. The
// worker's pause ends, a read or write it is blocked in is cancelled where the
// system can, and the controller is waited for at most `limit_ms`. False when
// it has not ended by then (a read on a dead device that the system cannot
// cancel): its thread and the rows it may touch are left to the process's end.
bool close_controller(uint32_t limit_ms);
// Stop button: stop_controller without wait and without close, logging on.
void stop_button();
// True while the controller thread has not ended.
bool controller_running();
// Resets the flags and forgets the controller; the main window calls it when it opens.
void reset_controller();
// The thread routine.
uint32_t queue_controller(void* unused);
