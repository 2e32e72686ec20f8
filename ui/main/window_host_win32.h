// The copy engine's view of the main window, served on the window thread.
#pragma once

#include <windows.h>

#include "app/settings_records.h"
#include "engine/window_host.h"

// Sent to the main window to run the call another thread of the program has
// stored; its parameters are not used.
constexpr UINT kRunOnWindowThread = WM_APP + 1;

class Win32WindowHost final : public WindowHost {
 public:
  void attach(HWND window, const DialogParam* param);

  void run_on_window_thread(void (*fn)(void* context), void* context) override;
  int row_count() override;
  JobRow* row_record(int index) override;
  void enable_buttons(bool enabled) override;
  void add_log_line(const char* line) override;
  int log_line_count() override;
  void set_log_top_line(int index) override;
  bool autoscroll() override;
  void show_bug(const char* text) override;
  bool wait_serving(platform::Thread* thread, uint32_t limit_ms) override;
  // IDT_LOG_PAINT: shows the lines added since the last paint.
  void paint_log();

 private:
  // Suspends the log's painting until paint_log.
  void defer_log_paint();

  HWND window_ = nullptr;
  HWND list_ = nullptr;
  HWND log_ = nullptr;
  const DialogParam* param_ = nullptr;
  // Window thread: the log's painting is suspended until paint_log, which
  // brings `log_top_line_` (when not -1) to the top.
  bool log_paint_due_ = false;
  int log_top_line_ = -1;
};

// The adapter of the main window.
extern Win32WindowHost main_window_host;

// Serves kRunOnWindowThread in the main window's procedure: runs the stored
// call, if there is one.
void serve_window_call();
