// The global settings dialog (template IDD_SETTINGS): the copy settings of CopyParam,
// the refresh interval and autoscroll flag of DialogParam, and the way to the
// colour scheme of ListParam. Nothing is stored until OK with valid input.
#pragma once

#include <windows.h>

#include "app/settings_records.h"

// Dialog procedure; the creation argument is the DialogParam, whose
// references lead to CopyParam and ListParam.
extern const DLGPROC settings_dialog_proc;

// Shows the dialog modally over `owner`; returns 1 (OK, values stored),
// 2 (Cancel) or -1 when it cannot be shown.
INT_PTR open_settings_dialog(HWND owner, DialogParam* param);
