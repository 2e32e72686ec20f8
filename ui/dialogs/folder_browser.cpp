#include "ui/dialogs/folder_browser.h"

#include <objbase.h>
#include <shlobj.h>

#include "ui/dialogs/dialog_items.h"

bool browse_for_folder(HWND owner, unsigned title_id, UINT flags, std::wstring* folder) {
  const std::wstring wide_title = wide_table_text(title_id);
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
