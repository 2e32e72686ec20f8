#include "ui/main/window_host_win32.h"

#include "platform/win32/native_handle.h"
#include "ui/main/file_list.h"
#include "ui/main/main_state.h"

Win32WindowHost main_window_host;

namespace {

using WindowCall = void (*)(void* context);

}  // namespace

void serve_window_call(WPARAM wparam, LPARAM lparam) {
  reinterpret_cast<WindowCall>(wparam)(reinterpret_cast<void*>(lparam));
}

void Win32WindowHost::attach(HWND window, const DialogParam* param) {
  window_ = window;
  param_ = param;
}

void Win32WindowHost::run_on_window_thread(void (*fn)(void* context), void* context) {
  if (GetWindowThreadProcessId(window_, nullptr) == GetCurrentThreadId()) {
    fn(context);
    return;
  }
  SendMessageA(window_, kRunOnWindowThread, reinterpret_cast<WPARAM>(fn),
               reinterpret_cast<LPARAM>(context));
}

int Win32WindowHost::row_count() { return ::row_count(GetDlgItem(window_, ID_FILE_LIST)); }

JobRow* Win32WindowHost::row_record(int index) {
  return ::row_record(GetDlgItem(window_, ID_FILE_LIST), index);
}

void Win32WindowHost::enable_buttons(bool enabled) {
  EnableWindow(GetDlgItem(window_, ID_START), enabled);
  EnableWindow(GetDlgItem(window_, ID_SETTINGS), enabled);
}

void Win32WindowHost::add_log_line(const char* line) {
  SendDlgItemMessageA(window_, ID_LOG, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(line));
}

int Win32WindowHost::log_line_count() {
  return static_cast<int>(SendDlgItemMessageA(window_, ID_LOG, LB_GETCOUNT, 0, 0));
}

void Win32WindowHost::set_log_top_line(int index) {
  SendDlgItemMessageA(window_, ID_LOG, LB_SETTOPINDEX, index, 0);
}

bool Win32WindowHost::autoscroll() { return param_ != nullptr && param_->autoscroll != 0; }

void Win32WindowHost::show_bug(const char* text) {
  MessageBoxA(window_, text, "BUG", MB_ICONERROR | MB_OK);
}

void Win32WindowHost::wait_serving(platform::Thread* thread) {
  if (thread == nullptr) return;
  HANDLE handle = static_cast<HANDLE>(native_handle(thread));
  // Serve the calls that the controller and the worker send to this thread
  // until the thread ends; a plain wait would deadlock with them.
  for (;;) {
    const DWORD woken = MsgWaitForMultipleObjects(1, &handle, FALSE, INFINITE, QS_SENDMESSAGE);
    if (woken != WAIT_OBJECT_0 + 1) return;
    MSG message;
    PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE | PM_QS_SENDMESSAGE);
  }
}
