#include "ui/dialogs/about_dialog.h"

#include <cstdlib>
#include <cstring>

#include "app/app_module.h"
#include "app/text_format.h"
#include "res/version.h"
#include "ui/dialogs/dialog_input.h"
#include "ui/dialogs/letter_case.h"

// "1.0 (выпуск 7) RU", in code page 1251.
const char kVersionText[] =
    TV_VERSION_NUMBER " (\xE2\xFB\xEF\xF3\xF1\xEA " TV_VERSION_RELEASE_TEXT ") RU";

namespace {

constexpr int kTemplate = 113;
constexpr int kAppIconResource = 107;

enum AboutControl : int {
  ID_ICON = 1065,
  ID_NAME = 1066,
  ID_HISTORY = 1067,
  ID_DISCLAIMER = 1068,
};

constexpr unsigned kTitleText = 483;
constexpr unsigned kNameFormat = 620;
constexpr unsigned kHistoryText = 621;
constexpr unsigned kDisclaimerText = 622;
constexpr unsigned kOkText = 510;
constexpr char kJoke[] = " :)";

// The icon shown, owned by the open dialog.
HICON about_icon = nullptr;

int next_random() { return std::rand(); }

// Sets the title and the name-and-version text, both built afresh from the
// string table, so that no joke ever builds on an earlier one.
void show_name(HWND dialog, bool joking) {
  char format[kTextCapacity];
  char title[kTextCapacity];
  load_text(format, kNameFormat, kTextCapacity);
  load_text(title, kTitleText, kTextCapacity - static_cast<int>(sizeof kJoke) + 1);
  char* name = alloc_format(format, kVersionText);
  if (joking) {
    std::strcat(title, kJoke);
    if (name != nullptr) turn_letter_case(name, next_random);
  }
  SendDlgItemMessageA(dialog, ID_NAME, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(name ? name : ""));
  SetWindowTextA(dialog, title);
  std::free(name);
}

void show_icon(HWND dialog) {
  about_icon =
      static_cast<HICON>(LoadImageA(app_module(), MAKEINTRESOURCEA(kAppIconResource), IMAGE_ICON,
                                    GetSystemMetrics(SM_CXICON), GetSystemMetrics(SM_CYICON), 0));
  if (about_icon != nullptr) {
    SendDlgItemMessageA(dialog, ID_ICON, STM_SETICON, reinterpret_cast<WPARAM>(about_icon), 0);
  }
}

void initialise(HWND dialog) {
  std::srand(GetTickCount());
  set_title_text(dialog, kTitleText);
  show_icon(dialog);
  show_name(dialog, false);
  set_item_string(dialog, ID_HISTORY, kHistoryText);
  set_item_string(dialog, ID_DISCLAIMER, kDisclaimerText);
  set_item_string(dialog, IDOK, kOkText);
}

void on_command(HWND dialog, WPARAM wparam) {
  const int id = LOWORD(wparam);
  if (id == IDOK || id == IDCANCEL) {
    EndDialog(dialog, id);
  } else if (id == ID_ICON) {
    show_name(dialog, HIWORD(wparam) == STN_DBLCLK);
  }
}

}  // namespace

INT_PTR CALLBACK about_dialog_proc(HWND dialog, UINT message, WPARAM wparam, LPARAM lparam) {
  (void)lparam;
  switch (message) {
    case WM_INITDIALOG:
      initialise(dialog);
      return TRUE;
    case WM_COMMAND:
      on_command(dialog, wparam);
      return TRUE;
    case WM_DESTROY:
      if (about_icon != nullptr) DestroyIcon(about_icon);
      about_icon = nullptr;
      return FALSE;
    default:
      return FALSE;
  }
}

INT_PTR open_about_dialog(HWND owner) {
  return DialogBoxParamA(app_module(), MAKEINTRESOURCEA(kTemplate), owner, about_dialog_proc, 0);
}
