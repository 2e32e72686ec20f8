// A queue controller test: the fake main window as the window thread (this
// test's thread acts on it through on_window), jobs on real files in a
// temporary folder, and a watchdog against hangs.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <string>
#include <vector>

#include "engine/copy_job.h"
#include "engine/queue_controller.h"
#include "engine/run_flags.h"
#include "tests/unit/support/fake_window_host.h"
#include "tests/unit/support/temp_dir.h"
#include "tests/unit/support/test_jobs.h"
#include "tests/unit/support/watchdog.h"

class ControllerTest : public ::testing::Test {
 protected:
  void SetUp() override { reset_controller(); }
  void TearDown() override {
    stop_controller(true, true, false);
    host_.on_window([&] {
      for (JobRow* row : host_.rows) free_job_row(row);
      host_.rows.clear();
    });
    reset_controller();
    EXPECT_EQ(host_.wrong_thread_calls.load(), 0);
  }

  // Appends a row as the Add command would.
  JobRow* add_row(const std::string& source, const std::string& dest, int64_t total_size,
                  const CopyParam& param = test_copy_param()) {
    JobRow* row = make_test_row(dir_.path(source), dir_.path(dest), total_size, 0, param).release();
    host_.on_window([&] { host_.rows.push_back(row); });
    return row;
  }
  // Deletes a row as the Delete command would: never one that a worker may use.
  bool delete_row(size_t index) {
    bool deleted = false;
    host_.on_window([&] {
      if (index >= host_.rows.size()) return;
      JobRow* row = host_.rows[index];
      if (row->worker_thread.load() || (row->job && row->job->worker_started.load())) return;
      free_job_row(row);
      host_.rows.erase(host_.rows.begin() + static_cast<long>(index));
      deleted = true;
    });
    return deleted;
  }
  size_t rows_now() {
    size_t count = 0;
    host_.on_window([&] { count = host_.rows.size(); });
    return count;
  }
  bool controller_ends() {
    return wait_until([] { return !controller_running(); });
  }
  int lines_equal(const std::string& text) {
    std::vector<std::string> lines = host_.lines();
    int count = 0;
    for (const std::string& line : lines) {
      if (line.size() >= 10 && line.substr(10) == text) count++;
    }
    return count;
  }
  std::string open_line(const std::string& source) {
    return " Открытие исходного файла: " + dir_.path(source);
  }

  Watchdog watchdog_{std::chrono::seconds(300)};
  TempDir dir_;
  FakeWindowHost host_;
};
