// What the copy engine needs of the main window. The Win32 main window
// implements it with synchronous calls into its thread; tests use fakes.
#pragma once

#include "platform/platform.h"

struct JobRow;

constexpr uint32_t kWaitForever = 0xFFFFFFFF;

struct WindowHost {
  virtual ~WindowHost() = default;

  // Runs `fn(context)` on the window thread and returns once it has run.
  // Everything below marked "window thread" is called only from inside it.
  virtual void run_on_window_thread(void (*fn)(void* context), void* context) = 0;

  // Window thread: the file list.
  virtual int row_count() = 0;
  virtual JobRow* row_record(int index) = 0;
  // Window thread: enable or disable the Start and Settings buttons.
  virtual void enable_buttons(bool enabled) = 0;
  // Window thread: the activity log list box.
  virtual void add_log_line(const char* line) = 0;
  virtual int log_line_count() = 0;
  virtual void set_log_top_line(int index) = 0;
  virtual bool autoscroll() = 0;

  // Controller thread: a modal box with caption "BUG"; returns when closed.
  virtual void show_bug(const char* text) = 0;
  // Window thread: waits at most `limit_ms` (kWaitForever: no limit) for
  // `thread` to end while still serving the calls that other threads make
  // into the window thread, so it cannot deadlock. True once it has ended.
  virtual bool wait_serving(platform::Thread* thread, uint32_t limit_ms) = 0;
};

// The host of the running main window; set before the first Start.
void set_window_host(WindowHost* host);
WindowHost* window_host();
