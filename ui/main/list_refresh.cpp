#include "ui/main/list_refresh.h"

#include <windows.h>
// commctrl.h needs the types of windows.h.
#include <commctrl.h>

#include <cstdlib>
#include <cstring>
#include <vector>

#include "app/text_format.h"
#include "engine/copy_job.h"
#include "engine/queue_controller.h"
#include "engine/queue_journal.h"
#include "platform/platform.h"
#include "res/string_ids.h"
#include "ui/main/file_list.h"
#include "ui/main/folder_add.h"
#include "ui/main/main_window_state.h"
#include "ui/main/queue_store.h"
#include "ui/main/taskbar_progress.h"

namespace {

constexpr size_t kCaptionNameCapacity = 128;
constexpr int kCaptionCapacity = 1024;

// Sets a cell from a string-table format; a failed format leaves it empty.
template <typename... Args>
void set_formatted_cell(HWND list, unsigned format_id, int row, int column, Args... args) {
  char* text = format_text(format_id, args...);
  set_cell_text(list, text != nullptr ? text : "", row, column);
  free(text);
}

struct Totals {
  int64_t size = 0;
  int64_t done = 0;
  bool running_in_error = false;  // the job a worker runs is between attempts
};

// The rows in the list's view, the last one perhaps in part.
struct View {
  int first;
  int last;
};

View list_view(HWND list) {
  const int first = static_cast<int>(SendMessageA(list, LVM_GETTOPINDEX, 0, 0));
  return {first, first + static_cast<int>(SendMessageA(list, LVM_GETCOUNTPERPAGE, 0, 0))};
}

void show_state(HWND list, JobRow* record, int row, int32_t state, const View& view) {
  char name[kStateNameCapacity];
  state_name(state, name);
  set_cell_text(list, name, row, COLUMN_STATE);
  // A row never shown by a tick has no speed to clear; under Wine putting
  // an empty cell in costs two calls to the server.
  if (state != JOB_RUNNING && record->shown_state != -1) set_cell_text(list, "", row, COLUMN_SPEED);
  set_row_image(list, state_image(state), row);
  // The row's colours follow its state. A row out of view is painted with
  // them when it comes into view; under Wine asking its repaint costs a call
  // to the server, which over the thousands of new rows of one Add made the
  // next tick take half a second.
  if (row >= view.first && row <= view.last) SendMessageA(list, LVM_REDRAWITEMS, row, row);
  record->shown_state = state;
}

void show_running(HWND list, const JobRow* record, int row, int64_t bytes, int64_t elapsed,
                  char* caption) {
  const CopyJob* job = record->job;
  char name[kCaptionNameCapacity];
  caption_file_name(job->source_path, name, sizeof name);
  char* text = format_text(IDS_RUNNING_CAPTION, percentage(bytes, job->total_size.load()), name);
  if (text != nullptr) {
    lstrcpynA(caption, text, kCaptionCapacity);
    free(text);
  }
  char speed[kSizeTextCapacity];
  format_size(speed_per_second(bytes - record->sample_bytes, elapsed), speed);
  set_formatted_cell(list, IDS_SPEED, row, COLUMN_SPEED, speed);
}

// The bytes loaded and their share of the size; and what the holes left
// unread, when there are any.
void show_loaded(HWND list, int row, int64_t bytes, int64_t total, int64_t unread) {
  char size[kSizeTextCapacity];
  format_size(bytes, size);
  if (unread == 0) {
    set_formatted_cell(list, IDS_LOADED, row, COLUMN_LOADED, size, percentage(bytes, total));
    return;
  }
  char unread_size[kSizeTextCapacity];
  format_size(unread, unread_size);
  set_formatted_cell(list, IDS_LOADED_HOLES, row, COLUMN_LOADED, size, percentage(bytes, total),
                     unread_size);
}

// Returns true when the row's cells were touched.
bool refresh_row(HWND list, JobRow* record, int row, const View& view, Totals* totals,
                 char* caption) {
  const CopyJob* job = record->job;
  // One reading of each value the worker may be changing. Bytes in holes
  // are not loaded.
  const int32_t state = job->state.load();
  const int64_t total = job->total_size.load();
  const int64_t unread = hole_bytes(read_holes(job->holes.load()));
  const int64_t bytes = job->bytes_copied.load() - unread;
  // Only a running row's speed needs the time now.
  const int64_t elapsed = state == JOB_RUNNING ? elapsed_ms(record->sample_time, counter_now()) : 0;
  bool touched = false;

  if (record->shown_state != state) {
    show_state(list, record, row, state, view);
    touched = true;
  }
  if (state == JOB_RUNNING) {
    show_running(list, record, row, bytes, elapsed, caption);
    touched = true;
  }
  if (total != record->shown_size) {
    show_row_size(list, record, row);
    touched = true;
  }
  if ((bytes != record->sample_bytes && bytes > 0) || unread != record->shown_unread) {
    show_loaded(list, row, bytes, total, unread);
    record->sample_bytes = bytes;
    record->shown_unread = unread;
    touched = true;
  }
  totals->size += total;
  totals->done += bytes;
  if (state == JOB_ERROR && record->worker_thread.load() != nullptr)
    totals->running_in_error = true;
  return touched;
}

// The item data of a row, asked with LVM_GETITEMW by calling the list's own
// window procedure directly. Every tick asks every row; under Wine a message
// sent to a window of the own thread costs about four times a direct call
// and CallWindowProc about twice, and over thousands of unchanged rows that
// was most of the tick.
JobRow* tick_row_record(WNDPROC list_proc, HWND list, int row) {
  LVITEMW item = {};
  item.mask = LVIF_PARAM;
  item.iItem = row;
  if (!list_proc(list, LVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&item))) return nullptr;
  return reinterpret_cast<JobRow*>(item.lParam);
}

// Under Wine a caption, a static's text or a progress position repaints at
// once when set, even to what it already shows; each is set only when it
// differs.
void set_text_if_changed(HWND window, const char* text) {
  char shown[kCaptionCapacity];
  GetWindowTextA(window, shown, kCaptionCapacity);
  if (strcmp(shown, text) != 0) SetWindowTextA(window, text);
}

void set_position_if_changed(HWND progress, int64_t position) {
  if (SendMessageA(progress, PBM_GETPOS, 0, 0) != position) {
    SendMessageA(progress, PBM_SETPOS, static_cast<WPARAM>(position), 0);
  }
}

void show_totals(const Totals& totals) {
  char* status = nullptr;
  // While a folder is being added, the status line counts its files.
  if (adding_status() != nullptr) {
    status = alloc_format("%s", adding_status());
  } else if (totals.size > 0) {
    char done[kSizeTextCapacity];
    char size[kSizeTextCapacity];
    format_size(totals.done, done);
    format_size(totals.size, size);
    status = format_text(IDS_STATUS, done, size, percentage(totals.done, totals.size));
  }
  set_text_if_changed(main_window.status, status != nullptr ? status : "");
  free(status);
  set_position_if_changed(main_window.progress, percentage(totals.done, totals.size));
}

}  // namespace

int64_t counter_now() { return platform::counter_now(); }

int64_t elapsed_ms_at(int64_t earlier, int64_t later, int64_t frequency) {
  if (frequency == 0) return 0;
  return (later - earlier) / frequency * 1000;
}

int64_t elapsed_ms(int64_t earlier, int64_t later) {
  return elapsed_ms_at(earlier, later, platform::counter_frequency());
}

int64_t speed_per_second(int64_t bytes, int64_t elapsed) {
  return elapsed > 0 ? bytes * 1000 / elapsed : 0;
}

void caption_file_name(const char* path, char* out, size_t capacity) {
  const char* name = after_last_of(path, "\\/");
  // Without a folder, a drive's colon ends the prefix.
  if (name == path) {
    const char* colon = strchr(path, ':');
    if (colon != nullptr) name = colon + 1;
  }
  const char* dot = strrchr(name, '.');
  size_t length = dot != nullptr ? static_cast<size_t>(dot - name) : strlen(name);
  if (length > capacity - 1) {
    length = capacity - 1;
    // A UTF-8 character is cut whole or kept whole.
    while (platform::texts_are_utf8() && length > 0 && (name[length] & 0xC0) == 0x80) length--;
  }
  memcpy(out, name, length);
  out[length] = '\0';
}

void refresh_list() {
  HWND list = main_window.list;
  char caption[kCaptionCapacity];
  load_text(caption, IDS_APP_TITLE, kCaptionCapacity);
  Totals totals;
  const int count = row_count(list);
  // What GetWindowLongPtrW gives for a Unicode window is its procedure's
  // address; the list view's class is Unicode.
  const WNDPROC list_proc = IsWindowUnicode(list)
                                ? reinterpret_cast<WNDPROC>(GetWindowLongPtrW(list, GWLP_WNDPROC))
                                : nullptr;
  // A row left untouched takes the tick's start as its sample time, early by
  // at most the length of the tick; two counter readings per row were a fifth
  // of an unchanged tick over many rows under Wine.
  const int64_t tick_start = counter_now();
  const View view = list_view(list);
  // The rows in order for the queue's journal, and whether it must follow.
  std::vector<JobRow*> rows;
  const bool journaled = journal_open();
  if (journaled) rows.reserve(static_cast<size_t>(count > 0 ? count : 0));
  bool changed = false;
  for (int row = 0; row < count; ++row) {
    JobRow* record = list_proc ? tick_row_record(list_proc, list, row) : row_record(list, row);
    if (journaled) rows.push_back(record);
    if (record == nullptr || record->job == nullptr) continue;
    const bool touched = refresh_row(list, record, row, view, &totals, caption);
    record->sample_time = touched ? counter_now() : tick_start;
    changed = changed || (journaled && changed_since_journal(*record));
  }
  if (journaled) queue_progressed(rows, changed);
  show_totals(totals);
  set_text_if_changed(main_window.window, caption);
  TaskbarState taskbar = TASKBAR_NONE;
  if (controller_running()) taskbar = totals.running_in_error ? TASKBAR_ERROR : TASKBAR_NORMAL;
  show_taskbar_progress(taskbar, percentage(totals.done, totals.size));
}
