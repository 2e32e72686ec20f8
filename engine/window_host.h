// What the copy engine needs of the main window. The Win32 main window
// implements it with synchronous calls into its thread; tests use fakes.
#pragma once

#include "platform/platform.h"

struct JobRow;

constexpr uint32_t kWaitForever = 0xFFFFFFFF;

// A table of functions, like FileOps: the main window fills it with calls
// into its thread, the tests with an in-memory window.
struct WindowHost {
  // Runs `fn(context)` on the window thread and returns once it has run.
  // Everything below marked "window thread" is called only from inside it.
  void (*run_on_window_thread)(void (*fn)(void* context), void* context);

  // Window thread: the file list.
  int (*row_count)();
  JobRow* (*row_record)(int index);
  // Window thread: enable or disable the Start and Settings buttons.
  void (*enable_buttons)(bool enabled);
  // Window thread: the activity log list box.
  void (*add_log_line)(const char* line);
  int (*log_line_count)();
  void (*set_log_top_line)(int index);
  bool (*autoscroll)();
  // Any thread, without waiting for the window thread: with autoscroll on,
  // the newest log line is brought into view, as set_log_top_line would.
  void (*show_newest_log_line)();

  // Controller thread: a modal box with caption "BUG"; returns when closed.
  void (*show_bug)(const char* text);
  // Window thread: waits at most `limit_ms` (kWaitForever: no limit) for
  // `thread` to end while still serving the calls that other threads make
  // into the window thread, so it cannot deadlock. True once it has ended.
  bool (*wait_serving)(platform::Thread* thread, uint32_t limit_ms);
};

// The host of the running main window; set before the first Start.
void set_window_host(const WindowHost* host);
const WindowHost* window_host();
