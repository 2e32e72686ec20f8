#include "ui/main/window_host_win32.h"

#include <atomic>
#include <mutex>

#include "platform/win32/native_handle.h"
#include "res/resource.h"
#include "ui/main/file_list.h"
#include "ui/main/main_window_state.h"

Win32WindowHost main_window_host;

namespace {

// A call that another thread of this process hands to the window thread. The
// message itself carries nothing: the window runs only the call stored here by
// one of the program's own threads, so the same message posted by any other
// program, with whatever arguments, runs nothing.
struct WindowCall {
  void (*fn)(void* context);
  void* context;
};

std::mutex caller_lock;  // one caller at a time
std::atomic<WindowCall*> pending_call{nullptr};

// Under Wine a shown list box repaints itself and its scroll bar at every
// added line and every change of its top line, milliseconds each; lines
// are therefore added with its painting suspended, and shown together at
// most this often.
constexpr UINT kLogPaintPeriodMs = 100;

}  // namespace

void serve_window_call() {
  WindowCall* call = pending_call.exchange(nullptr);
  if (call != nullptr) call->fn(call->context);
}

void Win32WindowHost::attach(HWND window, const DialogParam* param) {
  window_ = window;
  param_ = param;
  // Looked up once: under Wine each GetDlgItem asks the server for the
  // window's children.
  list_ = GetDlgItem(window, IDC_FILE_LIST);
  log_ = GetDlgItem(window, IDC_LOG);
  log_paint_due_ = false;
  log_top_line_ = -1;
}

void Win32WindowHost::run_on_window_thread(void (*fn)(void* context), void* context) {
  if (GetWindowThreadProcessId(window_, nullptr) == GetCurrentThreadId()) {
    fn(context);
    return;
  }
  // The window thread never waits for this lock: it runs its own calls
  // directly, and it serves sent messages while it waits for a thread.
  std::lock_guard<std::mutex> lock(caller_lock);
  WindowCall call{fn, context};
  pending_call.store(&call);
  SendMessageA(window_, kRunOnWindowThread, 0, 0);
  // A window destroyed meanwhile has not run it; nothing may keep it.
  pending_call.store(nullptr);
}

int Win32WindowHost::row_count() { return ::row_count(list_); }

JobRow* Win32WindowHost::row_record(int index) { return ::row_record(list_, index); }

void Win32WindowHost::enable_buttons(bool enabled) {
  EnableWindow(GetDlgItem(window_, IDC_START), enabled);
  EnableWindow(GetDlgItem(window_, IDC_SETTINGS), enabled);
}

void Win32WindowHost::defer_log_paint() {
  if (log_paint_due_) return;
  SendMessageA(log_, WM_SETREDRAW, FALSE, 0);
  SetTimer(window_, IDT_LOG_PAINT, kLogPaintPeriodMs, nullptr);
  log_paint_due_ = true;
}

void Win32WindowHost::add_log_line(const char* line) {
  defer_log_paint();
  SendMessageA(log_, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(line));
}

int Win32WindowHost::log_line_count() {
  return static_cast<int>(SendMessageA(log_, LB_GETCOUNT, 0, 0));
}

void Win32WindowHost::set_log_top_line(int index) {
  defer_log_paint();
  log_top_line_ = index;
}

void Win32WindowHost::paint_log() {
  KillTimer(window_, IDT_LOG_PAINT);
  if (!log_paint_due_) return;
  log_paint_due_ = false;
  if (log_top_line_ >= 0) SendMessageA(log_, LB_SETTOPINDEX, log_top_line_, 0);
  log_top_line_ = -1;
  SendMessageA(log_, WM_SETREDRAW, TRUE, 0);
  InvalidateRect(log_, nullptr, TRUE);
}

bool Win32WindowHost::autoscroll() { return param_ != nullptr && param_->autoscroll != 0; }

void Win32WindowHost::show_bug(const char* text) {
  MessageBoxA(window_, text, "BUG", MB_ICONERROR | MB_OK);
}

bool Win32WindowHost::wait_serving(platform::Thread* thread, uint32_t limit_ms) {
  if (thread == nullptr) return true;
  HANDLE handle = static_cast<HANDLE>(native_handle(thread));
  const ULONGLONG deadline = GetTickCount64() + limit_ms;
  // Serve the calls that the controller and the worker send to this thread
  // until the thread ends; a plain wait would deadlock with them.
  for (;;) {
    DWORD left = INFINITE;
    if (limit_ms != kWaitForever) {
      const ULONGLONG now = GetTickCount64();
      left = now < deadline ? static_cast<DWORD>(deadline - now) : 0;
    }
    const DWORD woken = MsgWaitForMultipleObjects(1, &handle, FALSE, left, QS_SENDMESSAGE);
    if (woken == WAIT_OBJECT_0) return true;
    if (woken != WAIT_OBJECT_0 + 1) return false;
    MSG message;
    PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE | PM_QS_SENDMESSAGE);
  }
}
