// The colour scheme dialog (template IDD_COLORS): the list's own text and background
// colours and those of queued, running, failed and completed rows, each shown
// as a swatch that a double-click lets the user change.
#pragma once

#include <windows.h>

#include "app/settings_records.h"

// Runs the platform's colour chooser owned by `owner`, starting at `initial`,
// with the custom colours of the ListParam the open dialog holds. True and
// `*chosen` set when the user accepted a colour.
bool choose_color(HWND owner, COLORREF initial, COLORREF* chosen);

// Dialog procedure; the creation argument is the ListParam to edit.
INT_PTR CALLBACK color_scheme_dialog_proc(HWND dialog, UINT message, WPARAM wparam, LPARAM lparam);

// Shows the dialog modally over `owner`; returns 1 (OK, the ten colours were
// stored into `param`), 2 (Cancel) or -1 when it cannot be shown.
INT_PTR open_color_scheme_dialog(HWND owner, ListParam* param);
