// Runs the real main window on a thread of its own, as the program entry
// does, so that a benchmark can time work on the window thread.
#pragma once

#include <windows.h>

#include <functional>
#include <string>

#include "app/settings_records.h"

struct BenchSettings {
  ListParam list;
  CopyParam copy;
  DialogParam dialog;
};

// The program's defaults with copies going to `dest_folder`; a
// `refresh_interval` of 0 keeps the default period of the refresh timer,
// otherwise it replaces it.
void bench_settings(BenchSettings* settings, const std::string& dest_folder, int refresh_interval);

// What the program entry prepares once before any main window opens. With
// TV_BENCH_JOURNAL set to a path, every window keeps the queue's journal
// there, as the program does beside its executable; each window starts with
// none.
void prepare_window_process();
// True when the windows keep a journal.
bool journal_kept();

class WindowRunner {
 public:
  explicit WindowRunner(BenchSettings* settings);
  ~WindowRunner();  // closes the window and waits for its thread
  WindowRunner(const WindowRunner&) = delete;
  WindowRunner& operator=(const WindowRunner&) = delete;

  bool opened() const { return window_ != nullptr; }
  HWND window() const { return window_; }
  HANDLE thread() const { return thread_; }
  // Runs `fn` on the window thread and returns after it has run.
  void run(const std::function<void()>& fn);
  void command(int id);

 private:
  static DWORD WINAPI thread_main(void* self);
  BenchSettings* settings_;
  HANDLE thread_ = nullptr;
  DWORD thread_id_ = 0;
  HWND window_ = nullptr;
};
