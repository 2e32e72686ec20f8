// The worker against real files in a temporary folder.
#include <algorithm>
#include <cerrno>

#include "engine/file_ops.h"
#include "tests/unit/engine/worker_fixture.h"
#include "tests/unit/support/fault_file_ops.h"

namespace {

TEST_F(WorkerTest, FreshCopyCreatesOrEmptiesTheDestination) {
  const std::string data = pattern_bytes(1000);
  dir_.write("src", data);
  dir_.write("dst", std::string(3000, 'z'));  // longer than the source: emptied first
  JobRowPtr row = job_for("src", "dst", 1000, 0, test_copy_param(64));
  run_worker(row.get());
  EXPECT_EQ(dir_.read("dst"), data);
  EXPECT_EQ(row->job->bytes_copied.load(), 1000);
  EXPECT_EQ(row->job->state.load(), JOB_COMPLETED);
  EXPECT_EQ(row->job->step.load(), STEP_DONE);
  EXPECT_EQ(row->job->last_error.load(), 0u);
}

TEST_F(WorkerTest, ResumePositionsBothFilesAtTheBytesCopied) {
  const std::string data = pattern_bytes(1000);
  dir_.write("src", data);
  // A marker prefix shows that the first 400 bytes are left alone.
  const std::string marker(400, 'M');
  dir_.write("dst", marker);
  JobRowPtr row = job_for("src", "dst", 1000, 400);
  run_worker(row.get());
  EXPECT_EQ(dir_.read("dst"), marker + data.substr(400));
  EXPECT_EQ(row->job->bytes_copied.load(), 1000);
  EXPECT_EQ(row->job->state.load(), JOB_COMPLETED);
}

TEST_F(WorkerTest, AllBytesCopiedCompletesWithoutAWrite) {
  FaultFileOps ops;  // passes everything through, counts the calls
  dir_.write("src", pattern_bytes(1000));
  dir_.write("dst", std::string(1000, 'k'));
  JobRowPtr row = job_for("src", "dst", 1000, 1000);
  run_worker(row.get());
  EXPECT_EQ(row->job->state.load(), JOB_COMPLETED);
  EXPECT_EQ(ops.calls(FaultOp::kWrite), 0);
  EXPECT_EQ(ops.calls(FaultOp::kRead), 1);
  EXPECT_EQ(dir_.read("dst"), std::string(1000, 'k'));
}

TEST_F(WorkerTest, EmptySourceGivesAnEmptyDestination) {
  dir_.write("src", "");
  JobRowPtr row = job_for("src", "dst", 0);
  run_worker(row.get());
  EXPECT_TRUE(dir_.exists("dst"));
  EXPECT_EQ(dir_.read("dst"), "");
  EXPECT_EQ(row->job->state.load(), JOB_COMPLETED);
  EXPECT_EQ(row->job->bytes_copied.load(), 0);
}

TEST_F(WorkerTest, GrownSourceIsCopiedToItsNewEnd) {
  const std::string data = pattern_bytes(1000);
  dir_.write("src", data);
  JobRowPtr row = job_for("src", "dst", 600);
  run_worker(row.get());
  EXPECT_EQ(dir_.read("dst"), data);
  EXPECT_EQ(row->job->bytes_copied.load(), 1000);
  EXPECT_EQ(row->job->state.load(), JOB_COMPLETED);
}

TEST_F(WorkerTest, BytesCopiedBeyondTheSizeStartOver) {
  // What a grown source leaves after a failure: the next attempt empties the
  // destination and copies from the start.
  const std::string data = pattern_bytes(1000);
  dir_.write("src", data);
  dir_.write("dst", std::string(1500, 'g'));
  JobRowPtr row = job_for("src", "dst", 900, 1200);
  run_worker(row.get());
  EXPECT_EQ(dir_.read("dst"), data);
  EXPECT_EQ(row->job->bytes_copied.load(), 1000);
}

TEST_F(WorkerTest, SourceShrunkBelowTheBytesCopiedIsCopiedAfresh) {
  // 400 bytes were copied of a source that now holds 300: the destination has
  // bytes the source no longer has, so the end of the source is not completion.
  const std::string source = pattern_bytes(300);
  dir_.write("src", source);
  dir_.write("dst", pattern_bytes(400, 7));
  JobRowPtr row = job_for("src", "dst", 1000, 400);
  run_worker(row.get());
  EXPECT_EQ(row->job->state.load(), JOB_COMPLETED);
  EXPECT_EQ(row->job->bytes_copied.load(), 300);
  EXPECT_EQ(dir_.read("dst"), source);
  const std::vector<std::string> log = log_texts();
  EXPECT_EQ(std::count(log.begin(), log.end(),
                       " - Ошибка: " + std::to_string(platform::end_of_file_error())),
            1);

  // Shrunk to exactly the bytes copied: the destination is the whole source.
  dir_.write("dst", source);
  JobRowPtr exact = job_for("src", "dst", 1000, 300);
  run_worker(exact.get());
  EXPECT_EQ(exact->job->state.load(), JOB_COMPLETED);
  EXPECT_EQ(dir_.read("dst"), source);
}

TEST_F(WorkerTest, CreatedJobsReplaceLargerOrUnresumedDestinations) {
  const std::string data = pattern_bytes(1000);
  dir_.write("src\\a.bin", data);
  CopyParam settings = test_copy_param();
  std::snprintf(settings.dest_folder, kFolderCapacity, "%s", dir_.path("out").c_str());
  char name[kFileNameCapacity];
  for (bool resume : {true, false}) {
    // Resume on with a larger destination, and resume off with a partial one.
    dir_.write("out\\a.bin", resume ? std::string(1200, 'L') : data.substr(0, 500));
    settings.resume = resume;
    JobRowPtr row(create_job(dir_.path("src\\a.bin").c_str(), settings, name));
    ASSERT_TRUE(row);
    ASSERT_EQ(row->job->bytes_copied.load(), 0);
    run_worker(row.get());
    EXPECT_EQ(row->job->state.load(), JOB_COMPLETED) << resume;
    EXPECT_EQ(dir_.read("out\\a.bin"), data) << resume;
  }
}

TEST_F(WorkerTest, FolderDestinationFailsEveryAttempt) {
  FaultFileOps ops;  // no rule: real failures, but pauses take no time
  dir_.write("src", pattern_bytes(100));
  dir_.make_folder("dst");
  JobRowPtr row = job_for("src", "dst", 100, 0, test_copy_param(100, 3));
  run_worker(row.get());
  EXPECT_EQ(row->job->state.load(), JOB_ERROR);
  EXPECT_EQ(row->job->last_error.load(), static_cast<uint32_t>(EISDIR));
  EXPECT_EQ(ops.calls(FaultOp::kOpenDest), 3);
  EXPECT_EQ(ops.sleeps().size(), 3u);
  EXPECT_EQ(ops.calls(FaultOp::kRead), 0);
  EXPECT_EQ(dir_.read("src"), pattern_bytes(100));
}

}  // namespace
