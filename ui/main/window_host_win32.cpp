#include "ui/main/window_host_win32.h"

#include <atomic>
#include <mutex>

#include "app/text_format.h"
#include "engine/run_flags.h"
#include "platform/win32/native_handle.h"
#include "res/resource.h"
#include "res/string_ids.h"
#include "ui/dialogs/dialog_items.h"
#include "ui/main/file_list.h"
#include "ui/main/main_window_state.h"

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

void paint_log() {
  KillTimer(main_window.window, IDT_LOG_PAINT);
  if (!main_window.log_paint_due) return;
  main_window.log_paint_due = false;
  if (main_window.log_top_line >= 0)
    SendMessageA(main_window.log, LB_SETTOPINDEX, main_window.log_top_line, 0);
  main_window.log_top_line = -1;
  SendMessageA(main_window.log, WM_SETREDRAW, TRUE, 0);
  InvalidateRect(main_window.log, nullptr, TRUE);
}

namespace {

void run_on_window_thread(void (*fn)(void* context), void* context) {
  if (GetWindowThreadProcessId(main_window.window, nullptr) == GetCurrentThreadId()) {
    fn(context);
    return;
  }
  // The window thread never waits for this lock: it runs its own calls
  // directly, and it serves sent messages while it waits for a thread.
  std::lock_guard<std::mutex> lock(caller_lock);
  WindowCall call{fn, context};
  pending_call.store(&call);
  SendMessageA(main_window.window, kRunOnWindowThread, 0, 0);
  // A window destroyed meanwhile has not run it; nothing may keep it.
  pending_call.store(nullptr);
}

int row_count() { return ::row_count(main_window.list); }

JobRow* row_record(int index) { return ::row_record(main_window.list, index); }

void enable_buttons(bool enabled) {
  enable_item(main_window.window, IDC_START, enabled);
  enable_item(main_window.window, IDC_SETTINGS, enabled);
}

void defer_log_paint() {
  if (main_window.log_paint_due) return;
  SendMessageA(main_window.log, WM_SETREDRAW, FALSE, 0);
  SetTimer(main_window.window, IDT_LOG_PAINT, kLogPaintPeriodMs, nullptr);
  main_window.log_paint_due = true;
}

void add_log_line(const char* line) {
  defer_log_paint();
  SendMessageA(main_window.log, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(line));
}

int log_line_count() { return static_cast<int>(SendMessageA(main_window.log, LB_GETCOUNT, 0, 0)); }

void set_log_top_line(int index) {
  defer_log_paint();
  main_window.log_top_line = index;
}

bool autoscroll() { return main_window.param != nullptr && main_window.param->autoscroll != 0; }

void show_newest_log_line() { PostMessageA(main_window.window, kShowNewestLogLine, 0, 0); }

void show_bug(const char* text) {
  char caption[kTextCapacity];
  load_text(caption, IDS_BUG_CAPTION, kTextCapacity);
  MessageBoxA(main_window.window, text, caption, MB_ICONERROR | MB_OK);
}

bool wait_serving(platform::Thread* thread, uint32_t limit_ms) {
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

}  // namespace

void serve_newest_log_line() {
  if (run_flags.closing.load() || !autoscroll()) return;
  set_log_top_line(log_line_count() - 1);
}

const WindowHost main_window_host = {
    run_on_window_thread, row_count,      row_record,       enable_buttons,
    add_log_line,         log_line_count, set_log_top_line, autoscroll,
    show_newest_log_line, show_bug,       wait_serving,
};
