// The dialogs of another process, found from outside as the tests that run
// the real program look for them.
#pragma once

#include <windows.h>

#include <cstring>

namespace process_dialogs_detail {

struct Search {
  DWORD process;
  HWND owner;
  HWND found;
};

inline BOOL CALLBACK match(HWND window, LPARAM context) {
  Search* search = reinterpret_cast<Search*>(context);
  DWORD process = 0;
  GetWindowThreadProcessId(window, &process);
  char name[32] = "";
  GetClassNameA(window, name, sizeof name);
  if (process != search->process || GetWindow(window, GW_OWNER) != search->owner ||
      std::strcmp(name, "#32770") != 0 || !IsWindowVisible(window))
    return TRUE;
  search->found = window;
  return FALSE;
}

}  // namespace process_dialogs_detail

// A visible dialog of `process` owned by `owner` (null: one without owner,
// such as the main window); null when there is none now.
inline HWND find_process_dialog(DWORD process, HWND owner) {
  process_dialogs_detail::Search search{process, owner, nullptr};
  EnumWindows(process_dialogs_detail::match, reinterpret_cast<LPARAM>(&search));
  return search.found;
}
