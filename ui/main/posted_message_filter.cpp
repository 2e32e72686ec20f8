#include "ui/main/posted_message_filter.h"

#include <windows.h>

#include <algorithm>
#include <iterator>

namespace {

HHOOK filter_hook = nullptr;

// Messages whose argument the windows of this thread read as a pointer.
constexpr UINT kPointerMessages[] = {
    WM_NOTIFY,     WM_INITDIALOG,  WM_GETMINMAXINFO,     WM_DRAWITEM,         WM_MEASUREITEM,
    WM_DELETEITEM, WM_COMPAREITEM, WM_WINDOWPOSCHANGING, WM_WINDOWPOSCHANGED, WM_NCCALCSIZE,
    WM_SETTEXT,    WM_GETTEXT,     WM_DPICHANGED,
};

bool carries_pointer(UINT message) {
  return std::find(std::begin(kPointerMessages), std::end(kPointerMessages), message) !=
         std::end(kPointerMessages);
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
