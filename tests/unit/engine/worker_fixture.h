// A worker test: a temporary folder, a fake main window that collects the
// log, and the run flags as the Start button leaves them.
#pragma once

#include <gtest/gtest.h>

#include <cctype>
#include <cstdio>
#include <string>
#include <vector>

#include "engine/copy_job.h"
#include "engine/copy_worker.h"
#include "engine/run_flags.h"
#include "tests/unit/support/fake_window_host.h"
#include "tests/unit/support/temp_dir.h"
#include "tests/unit/support/test_jobs.h"

class WorkerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    run_flags.run = true;
    run_flags.log_enabled = true;
    run_flags.closing = false;
  }
  void TearDown() override {
    run_flags.run = false;
    run_flags.log_enabled = false;
    EXPECT_EQ(host_.wrong_thread_calls.load(), 0);
  }

  // A job copying `source` to `dest` in the temporary folder.
  JobRowPtr job_for(const std::string& source, const std::string& dest, int64_t total_size,
                    int64_t bytes_copied = 0, const CopyParam& param = test_copy_param()) {
    return make_test_row(dir_.path(source), dir_.path(dest), total_size, bytes_copied, param);
  }
  static void run_worker(JobRow* row) { EXPECT_EQ(copy_worker(row->job), 0u); }

  // The log with each line's time stamp checked and removed.
  std::vector<std::string> log_texts() {
    std::vector<std::string> texts;
    for (const std::string& line : host_.lines()) texts.push_back(strip_stamp(line));
    return texts;
  }
  static std::string strip_stamp(const std::string& line) {
    if (line.empty()) return line;
    bool stamped =
        line.size() >= 10 && line[0] == '[' && line[3] == ':' && line[6] == ':' && line[9] == ']';
    for (int i : {1, 2, 4, 5, 7, 8}) stamped = stamped && std::isdigit(line[i]);
    EXPECT_TRUE(stamped) << line;
    return stamped ? line.substr(10) : line;
  }

  TempDir dir_;
  FakeWindowHost host_;
};
