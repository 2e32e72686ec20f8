// The copy engine's view of the main window, served on the window thread.
#pragma once

#include <windows.h>

#include "engine/window_host.h"

// Sent to the main window to run the call another thread of the program has
// stored; its parameters are not used.
constexpr UINT kRunOnWindowThread = WM_APP + 1;
// Posted to the main window to bring the log's newest line into view when
// autoscroll is on; it carries nothing, so a foreign sender can do no more.
constexpr UINT kShowNewestLogLine = WM_APP + 2;

// The engine's view of the main window (main_window_state.h): calls into its
// thread.
extern const WindowHost main_window_host;
// IDT_LOG_PAINT: shows the log lines added since the last paint.
void paint_log();

// Serves kRunOnWindowThread in the main window's procedure: runs the stored
// call, if there is one.
void serve_window_call();
// Serves kShowNewestLogLine in the main window's procedure.
void serve_newest_log_line();
