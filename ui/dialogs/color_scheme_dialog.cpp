#include "ui/dialogs/color_scheme_dialog.h"

#include <commctrl.h>
#include <commdlg.h>

#include "app/win32/resource_module.h"
#include "res/resource.h"
#include "res/string_ids.h"
#include "ui/dialogs/dialog_items.h"

namespace {

constexpr int kGroupCount = 5;  // default, queued, running, error, completed

// The field a swatch stands for: group 0 is the list itself, group k the
// rows of state k - 1. States 4 and 5 have no swatch.
ColorRef* swatch_field(ListParam* param, int swatch_id) {
  const int index = swatch_id - IDC_SWATCH_FIRST;
  const int group = index / 2;
  const bool text = index % 2 == 0;
  if (group == 0) return text ? &param->text_color : &param->back_color;
  return text ? &param->state_text_color[group - 1] : &param->state_back_color[group - 1];
}

COLORREF swatch_color(HWND dialog, int swatch_id) {
  return static_cast<COLORREF>(SendDlgItemMessageA(dialog, swatch_id, LVM_GETBKCOLOR, 0, 0));
}

void set_swatch_color(HWND dialog, int swatch_id, COLORREF color) {
  SendDlgItemMessageA(dialog, swatch_id, LVM_SETBKCOLOR, 0, static_cast<LPARAM>(color));
}

void initialise(HWND dialog, ListParam* param) {
  set_title_text(dialog, IDS_COLORS_TITLE);
  set_item_string(dialog, IDC_COLORS_HINT, IDS_COLORS_HINT);
  for (int k = 0; k < kGroupCount; ++k) {
    set_item_string(dialog, IDC_TEXT_LABEL_FIRST + 2 * k, IDS_TEXT_LABEL);
    set_item_string(dialog, IDC_TEXT_LABEL_FIRST + 2 * k + 1, IDS_BACK_LABEL);
    set_item_string(dialog, IDC_COLOR_GROUP_FIRST + k,
                    IDS_GROUP_DEFAULT + static_cast<unsigned>(k));
  }
  set_item_string(dialog, IDOK, IDS_OK);
  set_item_string(dialog, IDCANCEL, IDS_CANCEL);
  for (int id = IDC_SWATCH_FIRST; id <= IDC_SWATCH_LAST; ++id) {
    set_swatch_color(dialog, id, *swatch_field(param, id));
  }
}

// Runs the platform's colour chooser owned by `owner`, starting at `initial`,
// with the 16 `custom_colors`, which it keeps as the user changes them. True
// and `*chosen` set when the user accepted a colour.
bool choose_color(HWND owner, COLORREF initial, ColorRef* custom_colors, COLORREF* chosen) {
  CHOOSECOLORA choice = {};
  choice.lStructSize = sizeof choice;
  choice.hwndOwner = owner;
  choice.hInstance = reinterpret_cast<HWND>(resource_module());
  choice.rgbResult = initial;
  // The chooser writes the user's custom colours straight into the record.
  choice.lpCustColors = reinterpret_cast<COLORREF*>(custom_colors);
  choice.Flags = CC_RGBINIT | CC_FULLOPEN;
  if (!ChooseColorA(&choice)) return false;
  *chosen = choice.rgbResult;
  return true;
}

// A double-click on a swatch offers the chooser; the record is untouched
// until OK, so the new colour lives only in the swatch.
void on_notify(HWND dialog, ListParam* param, const NMHDR* header) {
  if (header->code != static_cast<UINT>(NM_DBLCLK)) return;
  const int id = static_cast<int>(header->idFrom);
  if (id < IDC_SWATCH_FIRST || id > IDC_SWATCH_LAST) return;
  COLORREF chosen = 0;
  if (!choose_color(dialog, swatch_color(dialog, id), param->custom_colors, &chosen)) return;
  set_swatch_color(dialog, id, chosen);
  SendDlgItemMessageA(dialog, id, LVM_UPDATE, 0, 0);
  InvalidateRect(GetDlgItem(dialog, id), nullptr, TRUE);
}

void on_command(HWND dialog, ListParam* param, WPARAM wparam) {
  const int id = LOWORD(wparam);
  for (int swatch = IDC_SWATCH_FIRST; id == IDOK && swatch <= IDC_SWATCH_LAST; ++swatch) {
    *swatch_field(param, swatch) = swatch_color(dialog, swatch);
  }
  if (id == IDOK || id == IDCANCEL) EndDialog(dialog, id);
}

constexpr DialogHandlers<ListParam> kHandlers = {initialise, on_command, nullptr, on_notify};

}  // namespace

const DLGPROC color_scheme_dialog_proc = dialog_procedure<ListParam, kHandlers>;

INT_PTR open_color_scheme_dialog(HWND owner, ListParam* param) {
  return edit_in_dialog(IDD_COLORS, owner, color_scheme_dialog_proc, param);
}
