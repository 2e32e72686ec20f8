// The copy worker through the Win32 platform layer under Wine (or Windows).
#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <vector>

#include "tests/unit/engine/worker_fixture.h"

namespace {

// The native worker tests' fixture, here over the Win32 platform layer.
class Win32Worker : public WorkerTest {
 protected:
  JobRowPtr job_for(const char* source, const char* dest, int64_t total_size, int64_t bytes_copied,
                    int32_t max_attempts) {
    return WorkerTest::job_for(source, dest, total_size, bytes_copied,
                               test_copy_param(4096, max_attempts));
  }
};

TEST_F(Win32Worker, CopiesFreshAndResumedFiles) {
  const std::string data = pattern_bytes(300000);
  dir_.write("source.bin", data);
  JobRowPtr fresh = job_for("source.bin", "fresh.bin", 300000, 0, 5);
  EXPECT_EQ(copy_worker(fresh->job), 0u);
  EXPECT_EQ(fresh->job->state.load(), JOB_COMPLETED);
  EXPECT_EQ(fresh->job->bytes_copied.load(), 300000);
  EXPECT_EQ(dir_.read("fresh.bin"), data);

  // Resumed at 100000 behind a marker: both files positioned, the rest appended.
  const std::string marker(100000, 'M');
  dir_.write("resumed.bin", marker);
  JobRowPtr resumed = job_for("source.bin", "resumed.bin", 300000, 100000, 5);
  copy_worker(resumed->job);
  EXPECT_EQ(resumed->job->state.load(), JOB_COMPLETED);
  EXPECT_EQ(dir_.read("resumed.bin"), marker + data.substr(100000));
  EXPECT_EQ(host_.lines().size(), 12u);  // six lines a run
}

TEST_F(Win32Worker, MissingSourceLogsErrorCodeTwo) {
  JobRowPtr row = job_for("absent.bin", "out.bin", 10, 0, 1);
  copy_worker(row->job);
  EXPECT_EQ(row->job->state.load(), JOB_ERROR);
  EXPECT_EQ(row->job->last_error.load(), static_cast<uint32_t>(ERROR_FILE_NOT_FOUND));
  EXPECT_FALSE(dir_.exists("out.bin"));
  // Start, the source's opening, its error, the pause, the end and an empty line.
  std::vector<std::string> lines = host_.lines();
  ASSERT_EQ(lines.size(), 6u);
  EXPECT_NE(lines[1].find(dir_.path("absent.bin")), std::string::npos);
  ASSERT_GT(lines[2].size(), 14u);
  EXPECT_EQ(lines[2][0], '[');
  EXPECT_EQ(lines[2].substr(lines[2].size() - 3), ": 2");
  EXPECT_EQ(lines[5], "");
}

TEST_F(Win32Worker, SourceOpenForWritingElsewhereIsAnOrdinaryFailure) {
  dir_.write("busy.bin", pattern_bytes(100));
  HANDLE writer =
      CreateFileA(dir_.path("busy.bin").c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                  nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(writer, INVALID_HANDLE_VALUE);
  JobRowPtr row = job_for("busy.bin", "out.bin", 100, 0, 1);
  copy_worker(row->job);
  EXPECT_EQ(row->job->state.load(), JOB_ERROR);
  EXPECT_EQ(row->job->last_error.load(), static_cast<uint32_t>(ERROR_SHARING_VIOLATION));
  CloseHandle(writer);

  copy_worker(row->job);
  EXPECT_EQ(row->job->state.load(), JOB_COMPLETED);
  EXPECT_EQ(dir_.read("out.bin"), pattern_bytes(100));
}

}  // namespace
