// The queue's progress on the main window's taskbar button, as the status
// line shows it: the overall percentage while the queue runs, the error state
// while the running job is in error, nothing while the queue does not run.
#pragma once

#include <windows.h>

#include <cstdint>

enum TaskbarState : int { TASKBAR_NONE, TASKBAR_NORMAL, TASKBAR_ERROR };

// What reaches the taskbar; tests replace it to see the calls.
struct TaskbarCalls {
  void (*set_state)(HWND window, TaskbarState state);
  void (*set_value)(HWND window, int64_t percent);
};
// Null restores the system's taskbar.
void set_taskbar_calls(const TaskbarCalls* calls);

// Window thread, at opening and at destruction: the button is main_window's.
// Where the system has no such taskbar the calls do nothing.
void open_taskbar_progress();
void close_taskbar_progress();
// Window thread, at every refresh: calls the taskbar only for a change.
void show_taskbar_progress(TaskbarState state, int64_t percent);
