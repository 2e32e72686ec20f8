#include "engine/queue_journal.h"

#include <condition_variable>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <new>
#include <string>
#include <utility>

#include "app/text_format.h"
#include "engine/copy_job.h"
#include "platform/platform.h"

namespace {

// Progress reaches the journal at most this often.
constexpr int64_t kJournalEveryMs = 2000;

struct Journal {
  std::string path;
  std::string temporary;
  platform::File* lock = nullptr;  // held for the run: the folder's journal is this run's
  platform::Thread* writer = nullptr;
  std::mutex mutex;
  std::condition_variable wake;
  std::vector<JournalRecord> next;  // the queue to write next
  bool pending = false;
  bool stopping = false;
  int64_t asked_at = 0;  // counter_now of the last write asked
};

Journal* journal = nullptr;

// The whole file; false when it cannot be opened or read.
bool read_whole(const char* path, std::string* text) {
  platform::File* file = platform::open_source(path);
  if (file == nullptr) return false;
  char piece[16384];
  uint32_t got = 0;
  bool ok = true;
  while ((ok = platform::read(file, piece, sizeof piece, &got)) && got > 0)
    text->append(piece, got);
  platform::close(file);
  return ok;
}

// To a temporary file, flushed, then renamed over the journal.
void write_file(const Journal& target, const std::string& text) {
  platform::File* file = platform::open_dest(target.temporary.c_str(), true);
  if (file == nullptr) return;
  uint32_t written = 0;
  const bool ok =
      platform::write_all(file, text.data(), static_cast<uint32_t>(text.size()), &written) &&
      platform::flush(file);
  platform::close(file);
  if (ok) platform::replace_file(target.temporary.c_str(), target.path.c_str());
}

// The writer thread: writes the newest queue asked for, until asked to stop.
uint32_t write_journals(void*) {
  for (;;) {
    std::vector<JournalRecord> records;
    {
      std::unique_lock<std::mutex> hold(journal->mutex);
      journal->wake.wait(hold, [] { return journal->pending || journal->stopping; });
      if (!journal->pending) return 0;
      records.swap(journal->next);
      journal->pending = false;
    }
    write_file(*journal, format_journal(records));
  }
}

// The bytes the destination holds durably, and the holes among them.
JournalRecord record_of(JobRow* row) {
  const CopyJob& job = *row->job;
  JournalRecord record;
  record.source_path = job.source_path;
  record.dest_path = job.dest_path;
  record.param = job.param;
  record.state = job.state.load();
  record.bytes_copied = job.bytes_durable.load();
  record.total_size = job.total_size.load();
  record.source_time = job.source_time.load();
  record.makes_folders = job.makes_folders;
  record.empty_folders = job.empty_folders;
  const Holes holes = read_holes(job.holes.load());
  for (const Hole& hole : holes) {
    if (hole.offset >= record.bytes_copied) break;
    record.holes.push_back(hole);
    Hole& kept = record.holes.back();
    if (kept.end() > record.bytes_copied) kept.length = record.bytes_copied - kept.offset;
  }
  row->journaled_state = record.state;
  row->journaled_bytes = record.bytes_copied;
  row->journaled_unread = hole_bytes(holes);
  return record;
}

bool source_changed(const JournalRecord& record) {
  platform::PathInfo source;
  if (!platform::look_up(record.source_path.c_str(), &source) || source.is_directory) return false;
  return source.size != record.total_size || source.last_write != record.source_time;
}

}  // namespace

JournalStart open_journal(const char* path, ParsedJournal* read, uint32_t* error) {
  const std::string lock_path = std::string(path) + ".lock";
  platform::File* lock = platform::lock_file(lock_path.c_str());
  if (lock == nullptr) return JournalStart::kInUse;
  journal = new Journal;
  journal->path = path;
  journal->temporary = std::string(path) + ".new";
  journal->lock = lock;
  journal->writer = platform::start_thread(write_journals, nullptr);
  std::string text;
  if (!read_whole(path, &text)) {
    *error = platform::last_error();
    return platform::missing_file(*error) ? JournalStart::kMissing : JournalStart::kUnreadable;
  }
  *read = parse_journal(text.data(), text.size());
  return read->foreign ? JournalStart::kForeign : JournalStart::kRead;
}

JobRow* restore_row(const JournalRecord& record) {
  JobRow* row = make_job_row(record.source_path.c_str(), record.dest_path.c_str(),
                             record.total_size, record.param);
  if (row == nullptr) return nullptr;
  CopyJob* job = row->job;
  job->makes_folders = record.makes_folders;
  job->empty_folders = record.empty_folders;
  job->source_time.store(record.source_time);
  job->state.store(record.state == JOB_RUNNING ? JOB_QUEUED : record.state);
  if (source_changed(record)) {
    // Learnt again at its first open; nothing copied of this version yet.
    job->source_time.store(kTimeUnknown);
    platform::PathInfo source;
    if (platform::look_up(record.source_path.c_str(), &source)) job->total_size.store(source.size);
    if (job->state.load() == JOB_COMPLETED) job->state.store(JOB_QUEUED);
    return row;
  }
  job->bytes_copied.store(record.bytes_copied);
  job->bytes_durable.store(record.bytes_copied);
  job->check_dest.store(record.bytes_copied > 0 && record.state != JOB_COMPLETED);
  if (!record.holes.empty()) {
    HoleMap* map = new (std::nothrow) HoleMap;
    if (map != nullptr) write_holes(map, record.holes);
    job->holes.store(map);
  }
  return row;
}

bool journal_open() { return journal != nullptr; }

void journal_rows(const std::vector<JobRow*>& rows) {
  if (journal == nullptr) return;
  std::vector<JournalRecord> records;
  records.reserve(rows.size());
  for (JobRow* row : rows) {
    if (row != nullptr && row->job != nullptr) records.push_back(record_of(row));
  }
  {
    std::lock_guard<std::mutex> hold(journal->mutex);
    journal->next.swap(records);
    journal->pending = true;
    journal->asked_at = platform::counter_now();
  }
  journal->wake.notify_one();
}

bool changed_since_journal(const JobRow& row) {
  const CopyJob& job = *row.job;
  if (row.journaled_state != job.state.load() || row.journaled_bytes != job.bytes_durable.load()) {
    return true;
  }
  return job.holes.load() != nullptr &&
         row.journaled_unread != hole_bytes(read_holes(job.holes.load()));
}

bool journal_due() {
  if (journal == nullptr) return false;
  std::lock_guard<std::mutex> hold(journal->mutex);
  return platform::ms_since(journal->asked_at) >= kJournalEveryMs;
}

void close_journal(const std::vector<JobRow*>& rows) {
  if (journal == nullptr) return;
  journal_rows(rows);
  {
    std::lock_guard<std::mutex> hold(journal->mutex);
    journal->stopping = true;
  }
  journal->wake.notify_one();
  if (journal->writer != nullptr) {
    platform::wait_thread(journal->writer);
    platform::close_thread(journal->writer);
  } else {
    write_file(*journal, format_journal(journal->next));
  }
  platform::close(journal->lock);
  delete journal;
  journal = nullptr;
}
