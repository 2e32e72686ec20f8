#include "ui/dialogs/color_scheme_dialog.h"

#include <commctrl.h>
#include <commdlg.h>

#include "app/win32/resource_module.h"
#include "res/resource.h"
#include "res/string_ids.h"
#include "ui/dialogs/dialog_items.h"

namespace {

constexpr int kGroupCount = 5;  // default, queued, running, error, completed

// The record being edited, from creation until the dialog closes.
ListParam* scheme_param = nullptr;

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
  scheme_param = param;
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

// A double-click on a swatch offers the chooser; the record is untouched
// until OK, so the new colour lives only in the swatch.
void on_notify(HWND dialog, const NMHDR* header) {
  if (header->code != static_cast<UINT>(NM_DBLCLK)) return;
  const int id = static_cast<int>(header->idFrom);
  if (id < IDC_SWATCH_FIRST || id > IDC_SWATCH_LAST) return;
  COLORREF chosen = 0;
  if (!choose_color(dialog, swatch_color(dialog, id), &chosen)) return;
  set_swatch_color(dialog, id, chosen);
  SendDlgItemMessageA(dialog, id, LVM_UPDATE, 0, 0);
  InvalidateRect(GetDlgItem(dialog, id), nullptr, TRUE);
}

void store_colors(HWND dialog) {
  for (int id = IDC_SWATCH_FIRST; id <= IDC_SWATCH_LAST; ++id) {
    *swatch_field(scheme_param, id) = swatch_color(dialog, id);
  }
}

}  // namespace

bool choose_color(HWND owner, COLORREF initial, COLORREF* chosen) {
  static COLORREF spare_custom[kCustomColorCount];
  CHOOSECOLORA choice = {};
  choice.lStructSize = sizeof choice;
  choice.hwndOwner = owner;
  choice.hInstance = reinterpret_cast<HWND>(resource_module());
  choice.rgbResult = initial;
  // The chooser writes the user's custom colours straight into the record.
  choice.lpCustColors = scheme_param != nullptr
                            ? reinterpret_cast<COLORREF*>(scheme_param->custom_colors)
                            : spare_custom;
  choice.Flags = CC_RGBINIT | CC_FULLOPEN;
  if (!ChooseColorA(&choice)) return false;
  *chosen = choice.rgbResult;
  return true;
}

INT_PTR CALLBACK color_scheme_dialog_proc(HWND dialog, UINT message, WPARAM wparam, LPARAM lparam) {
  switch (message) {
    case WM_INITDIALOG:
      initialise(dialog, reinterpret_cast<ListParam*>(lparam));
      return TRUE;
    case WM_NOTIFY:
      // The controls' notifications come from this thread. One sent by another
      // thread may come from another program, its pointer meaning nothing here.
      if (!InSendMessage()) on_notify(dialog, reinterpret_cast<const NMHDR*>(lparam));
      break;
    case WM_COMMAND:
      if (LOWORD(wparam) == IDOK) store_colors(dialog);
      if (LOWORD(wparam) == IDOK || LOWORD(wparam) == IDCANCEL) EndDialog(dialog, LOWORD(wparam));
      return TRUE;
    case WM_DESTROY:
      scheme_param = nullptr;
      break;
  }
  return FALSE;
}

INT_PTR open_color_scheme_dialog(HWND owner, ListParam* param) {
  return edit_in_dialog(IDD_COLORS, owner, color_scheme_dialog_proc, param);
}
