// The file parameters dialog (template IDD_FILE_PARAMS): one job of the queue with its
// paths, size, progress and state, refreshed every 500 ms; while the job is
// queued its destination path, buffer size and retry timeout can be changed.
#pragma once

#include <windows.h>

struct CopyJob;

// Dialog procedure; the creation argument is the CopyJob.
extern const DLGPROC file_params_dialog_proc;

// Shows the dialog modally over `owner`; returns 1 (OK, the job's settings
// replaced), 2 (Cancel) or -1 when it cannot be shown.
INT_PTR open_file_params_dialog(HWND owner, CopyJob* job);
