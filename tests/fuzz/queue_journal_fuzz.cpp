// Reads arbitrary bytes as the queue's journal: whatever the file holds
// (a torn line, a wrong count of fields, numbers out of range, holes out of
// order), reading never crashes, every row it keeps is sound, and a row it
// keeps reads back the same once written again.
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "engine/copy_job.h"
#include "engine/journal_format.h"

namespace {

void check(bool condition) {
  if (!condition) std::abort();
}

void check_sound(const JournalRecord& record) {
  check(!record.source_path.empty() && !record.dest_path.empty());
  check(record.state >= JOB_QUEUED && record.state <= JOB_WAITING);
  check(record.bytes_copied >= 0 && record.total_size >= 0);
  int64_t reached = 0;
  for (const Hole& hole : record.holes) {
    check(hole.offset >= reached && hole.length > 0 && hole.end() <= record.bytes_copied);
    reached = hole.end();
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const ParsedJournal read = parse_journal(reinterpret_cast<const char*>(data), size);
  check(!read.foreign || read.records.empty());
  for (const JournalRecord& record : read.records) check_sound(record);
  const std::string again = format_journal(read.records);
  const ParsedJournal reread = parse_journal(again.data(), again.size());
  check(!reread.foreign && reread.damaged.empty());
  check(reread.records.size() == read.records.size());
  for (size_t i = 0; i < read.records.size(); ++i) {
    check(reread.records[i].source_path == read.records[i].source_path);
    check(reread.records[i].bytes_copied == read.records[i].bytes_copied);
    check(reread.records[i].holes.size() == read.records[i].holes.size());
  }
  return 0;
}
