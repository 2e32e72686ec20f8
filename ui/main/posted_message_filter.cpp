#include "ui/main/posted_message_filter.h"

#include <windows.h>

namespace {

HHOOK filter_hook = nullptr;

bool carries_pointer(UINT message) {
  switch (message) {
    case WM_NOTIFY:
    case WM_INITDIALOG:
    case WM_GETMINMAXINFO:
    case WM_DRAWITEM:
    case WM_MEASUREITEM:
    case WM_DELETEITEM:
    case WM_COMPAREITEM:
    case WM_WINDOWPOSCHANGING:
    case WM_WINDOWPOSCHANGED:
    case WM_NCCALCSIZE:
    case WM_SETTEXT:
    case WM_GETTEXT:
    case WM_DPICHANGED:
      return true;
    default:
      return false;
  }
}

// A WH_GETMESSAGE hook sees only what GetMessage or PeekMessage takes from
// the queue, that is posted messages; sent ones go straight to the window.
LRESULT CALLBACK filter_posted(int code, WPARAM remove, LPARAM lparam) {
  MSG* message = reinterpret_cast<MSG*>(lparam);
  if (code == HC_ACTION && message != nullptr && carries_pointer(message->message)) {
    message->message = WM_NULL;
  }
  return CallNextHookEx(filter_hook, code, remove, lparam);
}

}  // namespace

void install_posted_message_filter() {
  if (filter_hook == nullptr) {
    filter_hook = SetWindowsHookExA(WH_GETMESSAGE, filter_posted, nullptr, GetCurrentThreadId());
  }
}

void remove_posted_message_filter() {
  if (filter_hook != nullptr) UnhookWindowsHookEx(filter_hook);
  filter_hook = nullptr;
}
