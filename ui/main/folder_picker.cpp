#include "ui/main/folder_picker.h"

#include <objbase.h>
#include <shlobj.h>
#include <shobjidl.h>

#include "res/string_ids.h"
#include "ui/dialogs/folder_browser.h"

namespace {

// The item dialog: false when the system has none (it came with Vista).
bool pick_with_item_dialog(HWND owner, std::wstring* folder, bool* shown) {
  IFileOpenDialog* dialog = nullptr;
  *shown = SUCCEEDED(CoCreateInstance(CLSID_FileOpenDialog, nullptr, CLSCTX_INPROC_SERVER,
                                      IID_IFileOpenDialog, reinterpret_cast<void**>(&dialog)));
  if (!*shown) return false;
  FILEOPENDIALOGOPTIONS options = 0;
  dialog->GetOptions(&options);
  dialog->SetOptions(options | FOS_PICKFOLDERS | FOS_FORCEFILESYSTEM | FOS_PATHMUSTEXIST);
  IShellItem* item = nullptr;
  wchar_t* path = nullptr;
  const bool chosen = SUCCEEDED(dialog->Show(owner)) && SUCCEEDED(dialog->GetResult(&item)) &&
                      SUCCEEDED(item->GetDisplayName(SIGDN_FILESYSPATH, &path));
  if (chosen) *folder = path;
  CoTaskMemFree(path);
  if (item != nullptr) item->Release();
  dialog->Release();
  return chosen;
}

}  // namespace

bool pick_folder(HWND owner, std::wstring* folder) {
  // The shell's dialogs want COM on this thread; balance only our own start.
  const HRESULT com = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
  bool shown = false;
  bool chosen = pick_with_item_dialog(owner, folder, &shown);
  if (!shown) {
    chosen = browse_for_folder(owner, IDS_ADD_FOLDER, BIF_RETURNONLYFSDIRS | BIF_EDITBOX, folder);
  }
  if (SUCCEEDED(com)) CoUninitialize();
  return chosen && !folder->empty();
}
