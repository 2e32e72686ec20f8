#include "ui/main/queue_store.h"

#include <cstdlib>
#include <cstring>
#include <string>

#include "app/text_format.h"
#include "engine/activity_log.h"
#include "engine/copy_job.h"
#include "engine/queue_journal.h"
#include "res/string_ids.h"
#include "ui/main/file_list.h"
#include "ui/main/main_window_state.h"

namespace {

std::string journal_path;

std::vector<JobRow*> rows_in_order() {
  std::vector<JobRow*> rows;
  const int count = row_count(main_window.list);
  rows.reserve(static_cast<size_t>(count > 0 ? count : 0));
  for (int row = 0; row < count; ++row) rows.push_back(row_record(main_window.list, row));
  return rows;
}

// The name a row shows: its destination's path below the destination folder
// (a file of a folder shows its folders), else the source's file name. Made
// from the paths: the file may be gone since.
std::string shown_name(const JournalRecord& record) {
  char* folder = absolute_dest(record.param.dest_folder);
  std::string name = after_last_of(record.source_path.c_str(), "\\");
  const size_t length = folder != nullptr ? std::strlen(folder) : 0;
  if (length > 0 && record.dest_path.compare(0, length, folder) == 0 &&
      record.dest_path.size() > length + 1) {
    name = record.dest_path.substr(record.dest_path[length] == '\\' ? length + 1 : length);
  }
  std::free(folder);
  return name;
}

void append_restored(const ParsedJournal& read) {
  HWND list = main_window.list;
  SendMessageA(list, WM_SETREDRAW, FALSE, 0);
  for (const JournalRecord& record : read.records) {
    JobRow* row = restore_row(record);
    if (row != nullptr) append_job_row(row, shown_name(record).c_str(), record.source_path.c_str());
  }
  SendMessageA(list, WM_SETREDRAW, TRUE, 0);
  InvalidateRect(list, nullptr, TRUE);
}

// The log line for what opening the journal found, in JournalStart's order.
constexpr unsigned kStartLines[] = {0, IDS_LOG_QUEUE_MISSING, IDS_LOG_QUEUE_UNREADABLE,
                                    IDS_LOG_QUEUE_FOREIGN, IDS_LOG_QUEUE_IN_USE};

}  // namespace

void set_queue_journal_path(const char* path) { journal_path = path != nullptr ? path : ""; }

void restore_queue() {
  if (journal_path.empty()) return;
  ParsedJournal read;
  uint32_t error = 0;
  const JournalStart start = open_journal(journal_path.c_str(), &read, &error);
  if (start != JournalStart::kRead) {
    log_event(kStartLines[static_cast<int>(start)], static_cast<int>(error));
    return;
  }
  for (int row : read.damaged) log_event(IDS_LOG_QUEUE_ROW_DAMAGED, row);
  append_restored(read);
  log_event(IDS_LOG_QUEUE_RESTORED, static_cast<int>(read.records.size()));
}

void queue_changed() {
  if (journal_open()) journal_rows(rows_in_order());
}

void queue_progressed(const std::vector<JobRow*>& rows, bool changed) {
  if (changed && journal_due()) journal_rows(rows);
}

void close_queue_store() {
  if (journal_open()) close_journal(rows_in_order());
}
