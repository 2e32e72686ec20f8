// The file parameters dialog (template IDD_FILE_PARAMS): one job of the queue with its
// paths, size, progress and state, refreshed every 500 ms; while the job is
// queued its destination path, buffer size and retry timeout can be changed.
#pragma once

#include <windows.h>

#include <cstdint>

struct CopyJob;

// Brings the enabling, progress bar, state icon and information line up to
// date from one reading of the job; returns the bytes copied it used.
int64_t refresh_file_params(HWND dialog);

// Dialog procedure; the creation argument is the CopyJob.
INT_PTR CALLBACK file_params_dialog_proc(HWND dialog, UINT message, WPARAM wparam, LPARAM lparam);

// Shows the dialog modally over `owner`; returns 1 (OK, the job's settings
// replaced), 2 (Cancel) or -1 when it cannot be shown.
INT_PTR open_file_params_dialog(HWND owner, CopyJob* job);
