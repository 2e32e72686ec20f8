// The queue's journal: what survives a crash, a torn file, a file of another
// format or version, a damaged line, and a second copy of the program.
#include "engine/queue_journal.h"

#include <gtest/gtest.h>

#include <string>

#include "engine/copy_job.h"
#include "tests/unit/support/temp_dir.h"
#include "tests/unit/support/test_jobs.h"

namespace {

JournalRecord record_for(const std::string& source, int64_t bytes, Holes holes = {}) {
  JournalRecord record;
  record.source_path = source;
  record.dest_path = "D:\\Копии\\" + source.substr(source.rfind('\\') + 1);
  record.param = test_copy_param(65536, 7);
  record.param.retry_timeout = 1500;
  std::snprintf(record.param.dest_folder, kFolderCapacity, "%s", "D:\\Копии");
  record.state = JOB_ERROR;
  record.bytes_copied = bytes;
  record.total_size = 1 << 20;
  record.source_time = 133000000000000000;
  record.holes = std::move(holes);
  return record;
}

bool same(const JournalRecord& a, const JournalRecord& b) {
  return a.source_path == b.source_path && a.dest_path == b.dest_path &&
         std::string(a.param.dest_folder) == b.param.dest_folder &&
         a.param.buffer_size == b.param.buffer_size &&
         a.param.retry_timeout == b.param.retry_timeout &&
         a.param.max_attempts == b.param.max_attempts && a.param.resume == b.param.resume &&
         a.state == b.state && a.bytes_copied == b.bytes_copied && a.total_size == b.total_size &&
         a.source_time == b.source_time && a.makes_folders == b.makes_folders &&
         a.empty_folders == b.empty_folders && a.holes.size() == b.holes.size() &&
         (a.holes.empty() ||
          (a.holes[0].offset == b.holes[0].offset && a.holes[0].length == b.holes[0].length &&
           a.holes[0].grain == b.holes[0].grain && a.holes[0].tries == b.holes[0].tries));
}

// Every row comes back as written; a line cut by a crash, or with a byte
// changed, loses that row alone; a file of another format or version gives
// nothing, never half a queue.
TEST(QueueJournal, RowsComeBackAndDamageCostsOnlyItsRow) {
  std::vector<JournalRecord> written = {
      record_for("S:\\Проект\\смета 2023.xlsx", 300000, {{65536, 4096, 512, 2}}),
      record_for("S:\\Проект\\видео.mkv", 0), record_for("S:\\a b\\c.txt", 1 << 20)};
  // A file of a folder added whole, with the empty folders made with it.
  written[2].makes_folders = true;
  written[2].empty_folders = {"D:\\Копии\\a b\\пусто", "D:\\Копии\\a b\\2025"};
  const std::string text = format_journal(written);
  ParsedJournal read = parse_journal(text.data(), text.size());
  ASSERT_FALSE(read.foreign);
  ASSERT_EQ(read.records.size(), 3u);
  for (size_t i = 0; i < 3; ++i) EXPECT_TRUE(same(read.records[i], written[i])) << i;
  EXPECT_TRUE(read.damaged.empty());

  const size_t third = text.find("S:\\a b");
  const std::string torn = text.substr(0, third + 10);
  read = parse_journal(torn.data(), torn.size());
  EXPECT_EQ(read.records.size(), 2u);
  EXPECT_EQ(read.damaged, std::vector<int>{3});

  std::string changed = text;
  changed[text.find("видео") + 1] ^= 1;
  read = parse_journal(changed.data(), changed.size());
  ASSERT_EQ(read.records.size(), 2u);
  EXPECT_EQ(read.damaged, std::vector<int>{2});
  EXPECT_TRUE(same(read.records[1], written[2]));

  for (std::string foreign : {std::string("tvoln.queue\t2\r\n") + text.substr(text.find('\n') + 1),
                              std::string("[Options]\r\nlist_param=00\r\n"), std::string()}) {
    read = parse_journal(foreign.data(), foreign.size());
    EXPECT_TRUE(read.foreign);
    EXPECT_TRUE(read.records.empty());
  }
}

class JournalFileTest : public ::testing::Test {
 protected:
  std::string path() const { return dir_.path("tvoln.queue"); }
  TempDir dir_;
};

// The journal of a folder is one run's: a second copy of the program finds
// it taken and keeps none. What the first writes at its end is what the
// next run reads, each row as it was: a source changed since is copied
// afresh, one unchanged continues after a comparison.
TEST_F(JournalFileTest, ARunTakesItsFoldersJournalAndTheNextRestoresIt) {
  ParsedJournal read;
  uint32_t error = 0;
  ASSERT_EQ(open_journal(path().c_str(), &read, &error), JournalStart::kMissing);
  ParsedJournal second;
  EXPECT_EQ(open_journal(path().c_str(), &second, &error), JournalStart::kInUse);

  dir_.write("same.bin", pattern_bytes(1000));
  dir_.write("changed.bin", pattern_bytes(1000));
  std::vector<JobRowPtr> rows;
  for (const char* name : {"same.bin", "changed.bin"}) {
    rows.push_back(make_test_row(dir_.path(name), dir_.path(std::string("out_") + name), 1000, 600,
                                 test_copy_param()));
    platform::PathInfo info;
    ASSERT_TRUE(platform::look_up(dir_.path(name).c_str(), &info));
    rows.back()->job->source_time = info.last_write;
    rows.back()->job->bytes_durable = 400;  // flushed so far; 600 copied
    rows.back()->job->state = JOB_RUNNING;
  }
  close_journal({rows[0].get(), rows[1].get()});
  dir_.write("changed.bin", pattern_bytes(1000, 9));
  dir_.copy_time("same.bin", "changed.bin", 10);

  ASSERT_EQ(open_journal(path().c_str(), &read, &error), JournalStart::kRead);
  ASSERT_EQ(read.records.size(), 2u);
  JobRowPtr same_row(restore_row(read.records[0]));
  JobRowPtr changed_row(restore_row(read.records[1]));
  close_journal({});
  EXPECT_EQ(same_row->job->bytes_copied.load(), 400) << "only durable bytes are recorded";
  EXPECT_TRUE(same_row->job->check_dest.load());
  EXPECT_EQ(same_row->job->state.load(), JOB_QUEUED);
  EXPECT_EQ(changed_row->job->bytes_copied.load(), 0);
  EXPECT_EQ(changed_row->job->state.load(), JOB_QUEUED);
}

}  // namespace
