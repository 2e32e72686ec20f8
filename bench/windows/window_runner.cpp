#include "bench/windows/window_runner.h"

#include <commctrl.h>

#include <cstdlib>

#include "app/config_file.h"
#include "app/win32/resource_module.h"
#include "app/win32/state_icons.h"
#include "ui/main/main_window.h"
#include "ui/main/main_window_state.h"
#include "ui/main/queue_store.h"
#include "ui/main/window_host_win32.h"

namespace {

constexpr DWORD kOpenLimitMs = 60000;

BOOL CALLBACK find_dialog(HWND window, LPARAM context) {
  char name[64];
  GetClassNameA(window, name, sizeof name);
  if (lstrcmpA(name, "#32770") == 0 && IsWindowVisible(window)) {
    *reinterpret_cast<HWND*>(context) = window;
    return FALSE;
  }
  return TRUE;
}

void call_function(void* context) { (*static_cast<const std::function<void()>*>(context))(); }

}  // namespace

void bench_settings(BenchSettings* settings, const std::string& dest_folder, int refresh_interval) {
  // A configuration file that does not exist gives every default.
  load_settings("Z:\\nonexistent\\tvoln.ini", &settings->list, &settings->copy, &settings->dialog);
  lstrcpynA(settings->copy.dest_folder, dest_folder.c_str(), kFolderCapacity);
  if (refresh_interval > 0) settings->dialog.refresh_interval = refresh_interval;
}

std::string journal_path() {
  const char* path = std::getenv("TV_BENCH_JOURNAL");
  return path != nullptr ? path : "";
}

void prepare_window_process() {
  InitCommonControls();
  load_state_icons(resource_module());
  if (journal_kept()) set_queue_journal_path(journal_path().c_str());
}

bool journal_kept() { return !journal_path().empty(); }

WindowRunner::WindowRunner(BenchSettings* settings) : settings_(settings) {
  if (journal_kept()) DeleteFileA(journal_path().c_str());
  thread_ = CreateThread(nullptr, 0, thread_main, this, 0, &thread_id_);
  for (DWORD waited = 0; thread_ && !window_ && waited < kOpenLimitMs; waited += 5) {
    EnumThreadWindows(thread_id_, find_dialog, reinterpret_cast<LPARAM>(&window_));
    if (!window_) Sleep(5);
  }
}

WindowRunner::~WindowRunner() {
  if (!thread_) return;
  if (window_) PostMessageA(window_, WM_COMMAND, IDCANCEL, 0);
  WaitForSingleObject(thread_, INFINITE);
  CloseHandle(thread_);
}

DWORD WINAPI WindowRunner::thread_main(void* self) {
  WindowRunner* runner = static_cast<WindowRunner*>(self);
  return static_cast<DWORD>(DialogBoxParamA(resource_module(), MAKEINTRESOURCEA(IDD_MAIN), nullptr,
                                            main_window_proc,
                                            reinterpret_cast<LPARAM>(&runner->settings_->dialog)));
}

void WindowRunner::run(const std::function<void()>& fn) {
  main_window_host.run_on_window_thread(call_function, const_cast<std::function<void()>*>(&fn));
}

void WindowRunner::command(int id) { SendMessageA(window_, WM_COMMAND, id, 0); }
