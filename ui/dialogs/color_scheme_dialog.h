// The colour scheme dialog (template IDD_COLORS): the list's own text and background
// colours and those of queued, running, failed and completed rows, each shown
// as a swatch that a double-click lets the user change.
#pragma once

#include <windows.h>

#include "app/settings_records.h"

// Dialog procedure; the creation argument is the ListParam to edit.
extern const DLGPROC color_scheme_dialog_proc;

// Shows the dialog modally over `owner`; returns 1 (OK, the ten colours were
// stored into `param`), 2 (Cancel) or -1 when it cannot be shown.
INT_PTR open_color_scheme_dialog(HWND owner, ListParam* param);
