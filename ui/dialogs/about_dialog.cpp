#include "ui/dialogs/about_dialog.h"

#include <cstdlib>
#include <cstring>
#include <string>

#include "app/text_format.h"
#include "app/win32/resource_module.h"
#include "platform/win32/wide_text.h"
#include "res/resource.h"
#include "res/string_ids.h"
#include "res/version.h"
#include "ui/dialogs/dialog_items.h"
#include "ui/dialogs/letter_case.h"

const char* version_text() {
  // The version resource's own text, made once.
  static const std::string kText = platform::from_utf8(TV_PRODUCT_VERSION);
  return kText.c_str();
}

namespace {

constexpr char kJoke[] = " :)";

int next_random() { return std::rand(); }

// Sets the title and the name-and-version text, both built afresh from the
// string table, so that no joke ever builds on an earlier one.
void show_name(HWND dialog, bool joking) {
  char title[kTextCapacity];
  load_text(title, IDS_ABOUT_TITLE, kTextCapacity - static_cast<int>(sizeof kJoke) + 1);
  char* name = format_text(IDS_ABOUT_NAME, version_text());
  // The letters are turned in UTF-16, where each is one unit whatever the
  // code page.
  std::wstring wide_name;
  platform::widen(name != nullptr ? name : "", &wide_name);
  std::free(name);
  if (joking) {
    std::strcat(title, kJoke);
    turn_letter_case(&wide_name[0], next_random);
  }
  SendDlgItemMessageW(dialog, IDC_ABOUT_NAME, WM_SETTEXT, 0,
                      reinterpret_cast<LPARAM>(wide_name.c_str()));
  SetWindowTextA(dialog, title);
}

// The icon is kept by its control, and taken back from there to be destroyed.
void show_icon(HWND dialog) {
  HICON icon =
      static_cast<HICON>(LoadImageA(resource_module(), MAKEINTRESOURCEA(IDI_APP), IMAGE_ICON,
                                    GetSystemMetrics(SM_CXICON), GetSystemMetrics(SM_CYICON), 0));
  if (icon != nullptr) {
    SendDlgItemMessageA(dialog, IDC_ABOUT_ICON, STM_SETICON, reinterpret_cast<WPARAM>(icon), 0);
  }
}

void destroy_icon(HWND dialog, void*) {
  DestroyIcon(
      reinterpret_cast<HICON>(SendDlgItemMessageA(dialog, IDC_ABOUT_ICON, STM_GETICON, 0, 0)));
}

// The about box has no record.
void initialise(HWND dialog, void*) {
  std::srand(GetTickCount());
  set_title_text(dialog, IDS_ABOUT_TITLE);
  show_icon(dialog);
  show_name(dialog, false);
  set_item_string(dialog, IDC_ABOUT_HISTORY, IDS_ABOUT_HISTORY);
  set_item_string(dialog, IDC_ABOUT_DISCLAIMER, IDS_ABOUT_DISCLAIMER);
  set_item_string(dialog, IDOK, IDS_OK);
}

void on_command(HWND dialog, void*, WPARAM wparam) {
  const int id = LOWORD(wparam);
  if (id == IDOK || id == IDCANCEL) {
    EndDialog(dialog, id);
  } else if (id == IDC_ABOUT_ICON) {
    show_name(dialog, HIWORD(wparam) == STN_DBLCLK);
  }
}

constexpr DialogHandlers<void> kHandlers = {initialise, on_command, nullptr, nullptr, destroy_icon};

}  // namespace

const DLGPROC about_dialog_proc = dialog_procedure<void, kHandlers>;

INT_PTR open_about_dialog(HWND owner) {
  return run_modal_dialog(IDD_ABOUT, owner, about_dialog_proc, 0);
}
