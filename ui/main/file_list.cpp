#include "ui/main/file_list.h"

#include <commctrl.h>

#include "app/text_format.h"
#include "engine/copy_job.h"
#include "platform/platform.h"
#include "ui/main/main_window_state.h"

int row_count(HWND list) { return static_cast<int>(SendMessageA(list, LVM_GETITEMCOUNT, 0, 0)); }

void insert_column(HWND list, int index, const char* title, int width) {
  LVCOLUMNA column = {};
  column.mask = LVCF_TEXT;
  column.pszText = const_cast<char*>(title);
  if (width >= 0) {
    column.mask |= LVCF_WIDTH;
    column.cx = width;
  }
  SendMessageA(list, LVM_INSERTCOLUMNA, index, reinterpret_cast<LPARAM>(&column));
}

int append_row(HWND list) {
  char empty[1] = "";
  LVITEMA item = {};
  item.mask = LVIF_TEXT;
  item.iItem = row_count(list);
  item.pszText = empty;
  return static_cast<int>(SendMessageA(list, LVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&item)));
}

void set_row_record(HWND list, int row, JobRow* record) {
  LVITEMA item = {};
  item.mask = LVIF_PARAM;
  item.iItem = row;
  item.lParam = reinterpret_cast<LPARAM>(record);
  SendMessageA(list, LVM_SETITEMA, 0, reinterpret_cast<LPARAM>(&item));
}

JobRow* row_record(HWND list, int row) {
  LVITEMA item = {};
  item.mask = LVIF_PARAM;
  item.iItem = row;
  if (!SendMessageA(list, LVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&item))) return nullptr;
  return reinterpret_cast<JobRow*>(item.lParam);
}

void set_cell_text(HWND list, const char* text, int row, int column) {
  LVITEMA item = {};
  item.mask = LVIF_TEXT;
  item.iItem = row;
  item.iSubItem = column;
  item.pszText = const_cast<char*>(text);
  SendMessageA(list, LVM_SETITEMA, 0, reinterpret_cast<LPARAM>(&item));
}

void set_row_image(HWND list, int image, int row) {
  LVITEMA item = {};
  item.mask = LVIF_IMAGE;
  item.iItem = row;
  item.iImage = image;
  SendMessageA(list, LVM_SETITEMA, 0, reinterpret_cast<LPARAM>(&item));
}

void select_row(HWND list, int row) {
  LVITEMA item = {};
  item.state = LVIS_SELECTED | LVIS_FOCUSED;
  item.stateMask = LVIS_SELECTED | LVIS_FOCUSED | LVIS_CUT | LVIS_DROPHILITED;
  SendMessageA(list, LVM_SETITEMSTATE, row, reinterpret_cast<LPARAM>(&item));
}

int state_image(int state) {
  if (state < 0 || state >= kStateSlotCount) return -1;
  return main_window.state_image[state];
}

void append_job_row(JobRow* record, const char* file_name, const char* source_path) {
  HWND list = main_window.list;
  const int32_t state = record->job->state.load();
  // A row whose job already runs at its first tick needs a plausible base
  // for its speed.
  record->sample_time = platform::counter_now();

  const int row = append_row(list);
  set_row_record(list, row, record);
  set_row_image(list, state_image(state), row);
  set_cell_text(list, file_name, row, COLUMN_FILE);
  show_row_size(list, record, row);
  char state_text[kStateNameCapacity];
  state_name(state, state_text);
  set_cell_text(list, state_text, row, COLUMN_STATE);
  set_cell_text(list, source_path, row, COLUMN_PATH);
}

void show_row_size(HWND list, JobRow* record, int row) {
  char size[kSizeTextCapacity];
  record->shown_size = record->job->total_size.load();
  format_size(record->shown_size, size);
  set_cell_text(list, size, row, COLUMN_SIZE);
}

bool worker_running(const JobRow* record) {
  platform::Thread* worker = record->worker_thread.load();
  return worker != nullptr && platform::thread_running(worker);
}

bool row_busy(const JobRow* record) {
  if (record->worker_thread.load() != nullptr) return true;
  return record->job != nullptr && record->job->worker_started.load();
}
