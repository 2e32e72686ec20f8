#include "ui/dialogs/file_params_dialog.h"

#include <commctrl.h>

#include <cstdlib>
#include <string>

#include "app/text_format.h"
#include "app/win32/resource_module.h"
#include "app/win32/state_icons.h"
#include "engine/copy_job.h"
#include "engine/dest_paths.h"
#include "platform/win32/wide_text.h"
#include "res/resource.h"
#include "res/string_ids.h"
#include "ui/dialogs/dialog_items.h"

namespace {

constexpr UINT kRefreshPeriod = 500;

constexpr ItemText kItemTexts[] = {
    {IDC_SOURCE_LABEL, IDS_SOURCE_LABEL},
    {IDC_DEST_LABEL, IDS_DEST_LABEL},
    {IDC_FILE_BUFFER_SIZE_LABEL, IDS_FILE_BUFFER_SIZE_LABEL},
    {IDC_FILE_RETRY_TIMEOUT_LABEL, IDS_FILE_RETRY_TIMEOUT_LABEL},
    {IDOK, IDS_OK},
    {IDCANCEL, IDS_CANCEL},
};

void show_state_icon(HWND dialog, int32_t state) {
  HICON icon = state >= 0 && state < kStateSlotCount ? state_icons[state] : nullptr;
  SendDlgItemMessageA(dialog, IDC_FILE_STATE_ICON, STM_SETICON, reinterpret_cast<WPARAM>(icon), 0);
}

void show_information(HWND dialog, int64_t total, int64_t bytes, int64_t percent) {
  char total_text[kSizeTextCapacity];
  char bytes_text[kSizeTextCapacity];
  format_size(total, total_text);
  format_size(bytes, bytes_text);
  char* line = format_text(IDS_FILE_INFO, total_text, total, bytes_text, bytes, percent);
  SendDlgItemMessageA(dialog, IDC_FILE_INFO, WM_SETTEXT, 0,
                      reinterpret_cast<LPARAM>(line ? line : ""));
  std::free(line);
}

constexpr size_t kHolesListed = 20;

// Appends `text` (a line of its own after the first) and frees it.
void append_line(std::string* lines, char* text) {
  if (text == nullptr) return;
  if (!lines->empty()) *lines += "\r\n";
  *lines += text;
  std::free(text);
}

// What the holes left unread, then the first twenty of them one a line, and
// how many more there are.
std::string holes_text(const Holes& holes) {
  std::string lines;
  if (holes.empty()) return lines;
  char size[kSizeTextCapacity];
  format_size(hole_bytes(holes), size);
  append_line(&lines, format_text(IDS_FILE_HOLES, size, static_cast<int>(holes.size())));
  for (size_t i = 0; i < holes.size() && i < kHolesListed; ++i) {
    format_size(holes[i].length, size);
    append_line(&lines, format_text(IDS_FILE_HOLE, holes[i].offset, size));
  }
  if (holes.size() > kHolesListed) {
    append_line(&lines,
                format_text(IDS_FILE_HOLES_MORE, static_cast<int>(holes.size() - kHolesListed)));
  }
  return lines;
}

// Set only when it changes: the list would jump back to its top at every tick.
void show_holes(HWND dialog, const CopyJob& job) {
  const std::string text = holes_text(read_holes(job.holes.load()));
  HWND box = GetDlgItem(dialog, IDC_FILE_HOLES);
  std::string shown(static_cast<size_t>(GetWindowTextLengthA(box)) + 1, '\0');
  shown.resize(static_cast<size_t>(GetWindowTextA(box, &shown[0], static_cast<int>(shown.size()))));
  if (shown != text) SetWindowTextA(box, text.c_str());
}

// Brings the enabling, progress bar, state icon and information line up to
// date from one reading of `job`; returns the bytes copied it used.
int64_t refresh_file_params(HWND dialog, const CopyJob& job) {
  // One reading of each shared value, so the controls agree with each other.
  const int32_t state = job.state.load();
  // Bytes in holes are not loaded: the timer follows the job until they are.
  const int64_t bytes = job.bytes_copied.load() - hole_bytes(read_holes(job.holes.load()));
  const int64_t total = job.total_size;
  const bool queued = state == JOB_QUEUED;
  enable_item(dialog, IDC_DEST_PATH, queued && bytes == 0);
  enable_fields(dialog, kCopyTable, kFileDialogControls, queued);
  enable_item(dialog, IDOK, queued);
  const int64_t percent = percentage(bytes, total);
  SendDlgItemMessageA(dialog, IDC_FILE_PROGRESS, PBM_SETPOS, static_cast<WPARAM>(percent), 0);
  show_state_icon(dialog, state);
  show_information(dialog, total, bytes, percent);
  show_holes(dialog, job);
  return bytes;
}

void initialise(HWND dialog, CopyJob* job) {
  set_title_text(dialog, IDS_FILE_PARAMS_TITLE);
  set_item_strings(dialog, kItemTexts);
  SendDlgItemMessageA(dialog, IDC_SOURCE_PATH, WM_SETTEXT, 0,
                      reinterpret_cast<LPARAM>(job->source_path));
  limit_item_text(dialog, IDC_SOURCE_PATH, kLongPathInputLimit);
  SendDlgItemMessageA(dialog, IDC_DEST_PATH, WM_SETTEXT, 0,
                      reinterpret_cast<LPARAM>(job->dest_path));
  limit_item_text(dialog, IDC_DEST_PATH, kLongPathInputLimit);
  show_fields(dialog, kCopyTable, &job->param, kFileDialogControls);
  SendDlgItemMessageA(dialog, IDC_FILE_PROGRESS, PBM_SETRANGE32, 0, 100);
  SendDlgItemMessageA(dialog, IDC_FILE_PROGRESS, PBM_SETPOS, 0, 0);
  refresh_file_params(dialog, *job);
  SetTimer(dialog, IDT_FILE_PARAMS, kRefreshPeriod, nullptr);
}

void on_timer(HWND dialog, CopyJob* job, UINT_PTR timer_id) {
  if (timer_id != IDT_FILE_PARAMS) return;
  // Once everything is copied the dialog has nothing more to follow.
  if (refresh_file_params(dialog, *job) == job->total_size) KillTimer(dialog, IDT_FILE_PARAMS);
}

// Only a queued job that no worker has been handed and that still has bytes
// to copy takes new settings. Workers are started on this thread, so none can
// start between this test and the stores below.
bool accepts_changes(const CopyJob& job) {
  return !job.worker_started.load() && job.state.load() == JOB_QUEUED &&
         job.bytes_copied.load() < job.total_size;
}

// A line break or another control character in a path makes every open fail
// (error 123) pass after pass; a destination that another row's source already
// writes would overwrite that copy.
bool usable_dest(const CopyJob& job, const char* path) {
  for (const char* c = path; *c != '\0'; ++c) {
    if (static_cast<unsigned char>(*c) < 0x20) return false;
  }
  return !dest_taken(&job, path);
}

void on_ok(HWND dialog, CopyJob* job) {
  if (!accepts_changes(*job)) return;
  const std::wstring typed_wide = item_wide_text(dialog, IDC_DEST_PATH);
  const bool valid = fields_valid(dialog, kCopyTable, kFileDialogControls) && !typed_wide.empty();
  // A path that the code page cannot hold is named, never replaced by a
  // look-alike.
  std::string typed;
  if (valid && !platform::narrow(typed_wide, &typed)) {
    warn_wide(dialog, IDS_NAME_UNHELD, typed_wide);
    return;
  }
  // Without memory for the new path the job keeps its old one, and the
  // change is refused as a whole.
  char* dest_path = valid ? absolute_dest(typed.c_str()) : nullptr;
  if (dest_path == nullptr || !usable_dest(*job, dest_path)) {
    std::free(dest_path);
    warn_invalid_value(dialog);
    return;
  }
  std::free(job->dest_path);
  job->dest_path = dest_path;
  note_queue_edit();
  // Whatever was found at the old path at Add says nothing of the new one.
  job->stale_dest.store(false);
  store_fields(dialog, kCopyTable, &job->param, kFileDialogControls);
  EndDialog(dialog, IDOK);
}

void on_command(HWND dialog, CopyJob* job, WPARAM wparam) {
  if (LOWORD(wparam) == IDOK) on_ok(dialog, job);
  if (LOWORD(wparam) == IDCANCEL) EndDialog(dialog, IDCANCEL);
}

void on_close(HWND dialog, CopyJob*) { KillTimer(dialog, IDT_FILE_PARAMS); }

constexpr DialogHandlers<CopyJob> kHandlers = {initialise, on_command, on_timer, nullptr, on_close};

}  // namespace

const DLGPROC file_params_dialog_proc = dialog_procedure<CopyJob, kHandlers>;

INT_PTR open_file_params_dialog(HWND owner, CopyJob* job) {
  return edit_in_dialog(IDD_FILE_PARAMS, owner, file_params_dialog_proc, job);
}
