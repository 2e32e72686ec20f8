#include "ui/dialogs/folder_browser.h"

#include <objbase.h>
#include <shlobj.h>

#include "app/text_format.h"
#include "platform/win32/wide_text.h"

bool browse_for_folder(HWND owner, unsigned title_id, UINT flags, std::wstring* folder) {
  char title[kTextCapacity];
  load_text(title, title_id, kTextCapacity);
  std::wstring wide_title;
  platform::widen(title, &wide_title);
  wchar_t display_name[MAX_PATH];
  BROWSEINFOW browse = {};
  browse.hwndOwner = owner;
  browse.pszDisplayName = display_name;
  browse.lpszTitle = wide_title.c_str();
  browse.ulFlags = flags;
  LPITEMIDLIST item = SHBrowseForFolderW(&browse);
  if (item == nullptr) return false;
  wchar_t path[MAX_PATH] = {};
  const bool chosen = SHGetPathFromIDListW(item, path) != FALSE;
  CoTaskMemFree(item);
  if (chosen) *folder = path;
  return chosen;
}
