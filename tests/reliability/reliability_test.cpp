// The engine against real faults from a real file system: read errors, a
// vanishing source, a vanishing or full destination, a growing source, stop
// and start. Whatever happens, a destination never holds a byte that differs
// from its source, and a job that says complete is byte-identical.
#include <errno.h>
#include <gtest/gtest.h>

#include <chrono>
#include <fstream>
#include <string>
#include <vector>

#include "engine/copy_job.h"
#include "engine/copy_worker.h"
#include "engine/queue_controller.h"
#include "engine/run_flags.h"
#include "tests/reliability/flaky_mount.h"
#include "tests/unit/support/fake_window_host.h"
#include "tests/unit/support/temp_dir.h"
#include "tests/unit/support/test_jobs.h"
#include "tests/unit/support/watchdog.h"

namespace {

class Reliability : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!FlakyMount::can_mount()) GTEST_SKIP() << "needs root and /dev/fuse";
    reset_controller();
    ASSERT_TRUE(mount_.mount()) << "flakyfs did not mount";
  }
  void TearDown() override {
    stop_controller(true, true, false);
    host_.on_window([&] {
      for (JobRow* row : host_.rows) free_job_row(row);
      host_.rows.clear();
    });
    reset_controller();
    mount_.unmount_all();
  }

  CopyJob* add_job(const std::string& name, size_t size, int32_t attempts = 1000,
                   int32_t buffer = 65536) {
    std::string bytes = pattern_bytes(size, static_cast<unsigned>(name.size() + size));
    std::ofstream(mount_.backing(name), std::ios::binary).write(bytes.data(), bytes.size());
    CopyParam param = test_copy_param(buffer, attempts);
    param.retry_timeout = 5;
    JobRow* row =
        make_test_row(mount_.source(name), mount_.dest(name), static_cast<int64_t>(size), 0, param)
            .release();
    host_.on_window([&] { host_.rows.push_back(row); });
    return row->job;
  }
  // The destination matches the source over its whole length; `complete`
  // also asks for the whole source.
  // [hole_from, hole_to): a hole, where the destination holds zeros.
  void expect_faithful(const std::string& name, bool complete, int64_t hole_from = 0,
                       int64_t hole_to = 0) {
    std::string source = dir_.read("backing/" + name);
    std::string dest = dir_.read("dest/" + name);
    const size_t from = static_cast<size_t>(hole_from);
    source.replace(from, static_cast<size_t>(hole_to - hole_from),
                   static_cast<size_t>(hole_to - hole_from), '\0');
    ASSERT_LE(dest.size(), source.size()) << name;
    EXPECT_TRUE(source.compare(0, dest.size(), dest) == 0) << name << ": a byte differs";
    if (complete) {
      EXPECT_EQ(dest.size(), source.size()) << name;
    }
  }
  int lines_ending(const std::string& text) {
    int count = 0;
    for (const std::string& line : host_.lines()) {
      bool ends = line.size() >= text.size() &&
                  line.compare(line.size() - text.size(), text.size(), text) == 0;
      if (ends) count++;
    }
    return count;
  }
  void run_to_end() {
    start_controller();
    ASSERT_TRUE(wait_until([] { return !controller_running(); }, std::chrono::seconds(120)));
  }

  Watchdog watchdog_{std::chrono::seconds(240)};
  TempDir dir_;
  FlakyMount mount_{dir_};
  FakeWindowHost host_;
};

TEST_F(Reliability, TransientReadErrorsResumeFromTheLastBlockWritten) {
  mount_.set_schedule("eio a.bin 600000 600001 3");
  CopyJob* job = add_job("a.bin", 1 << 20, 5);
  run_to_end();
  EXPECT_EQ(job->state.load(), JOB_COMPLETED);
  EXPECT_EQ(job->bytes_copied.load(), 1 << 20);
  expect_faithful("a.bin", true);
  EXPECT_EQ(lines_ending(" Чтение"), 3);
  EXPECT_EQ(lines_ending(" - Ошибка: " + std::to_string(EIO)), 3);
  EXPECT_EQ(lines_ending(" Ожидание: 5 msec."), 3);
}

// A byte of b that never reads: pass after pass, b's hole narrows to the one
// sector around it while its neighbours complete, and b is never complete;
// once the byte reads again, b completes byte-identical.
TEST_F(Reliability, PermanentBadRangeCostsOnlyItsSectorWhileNeighboursComplete) {
  mount_.set_schedule("eio b.bin 70000 70001 -1");
  CopyJob* a = add_job("a.bin", 300000, 2);
  CopyJob* b = add_job("b.bin", 300000, 2);
  CopyJob* c = add_job("c.bin", 300000, 2);
  start_controller();
  const int64_t sector = 70000 / 512 * 512;
  ASSERT_TRUE(wait_until([&] {
    const Holes holes = read_holes(b->holes.load());
    return holes.size() == 1 && holes[0].offset == sector && holes[0].length == 512;
  }));
  EXPECT_EQ(a->state.load(), JOB_COMPLETED);
  EXPECT_EQ(c->state.load(), JOB_COMPLETED);
  EXPECT_NE(b->state.load(), JOB_COMPLETED);
  EXPECT_EQ(b->last_error.load(), static_cast<uint32_t>(EIO));
  expect_faithful("a.bin", true);
  expect_faithful("c.bin", true);
  expect_faithful("b.bin", true, sector, sector + 512);
  mount_.set_schedule("");
  ASSERT_TRUE(wait_until([] { return !controller_running(); }));
  EXPECT_EQ(b->state.load(), JOB_COMPLETED);
  expect_faithful("b.bin", true);
}

TEST_F(Reliability, SourceThatVanishesAndReturnsIsCompleted) {
  mount_.set_schedule("stall a.bin 3");
  CopyJob* job = add_job("a.bin", 2 << 20);
  start_controller();
  ASSERT_TRUE(wait_until([&] { return job->bytes_copied.load() > 300000; }));
  mount_.set_schedule("vanish a.bin");
  ASSERT_TRUE(
      wait_until([&] { return lines_ending(" - Ошибка: " + std::to_string(ENOENT)) >= 3; }));
  expect_faithful("a.bin", false);
  mount_.set_schedule("");
  ASSERT_TRUE(wait_until([] { return !controller_running(); }));
  EXPECT_EQ(job->state.load(), JOB_COMPLETED);
  expect_faithful("a.bin", true);
}

TEST_F(Reliability, VanishedDestinationFailsAtOpeningUntilItIsBack) {
  CopyJob* job = add_job("a.bin", 500000);
  std::string partial = dir_.read("backing/a.bin").substr(0, 200000);
  job->bytes_copied = 200000;
  dir_.remove("dest");  // the folder and the partial file are gone
  start_controller();
  ASSERT_TRUE(
      wait_until([&] { return lines_ending(" - Ошибка: " + std::to_string(ENOENT)) >= 3; }));
  // Every attempt got as far as opening the destination, none to copying.
  EXPECT_GE(lines_ending(" Открытие конечного файла: " + mount_.dest("a.bin")), 3);
  EXPECT_EQ(lines_ending(" Копирование..."), 0);
  EXPECT_EQ(job->bytes_copied.load(), 200000);  // never reset: the copy is not restarted
  EXPECT_FALSE(dir_.exists("dest"));
  dir_.make_folder("dest");
  dir_.write("dest/a.bin", partial);
  ASSERT_TRUE(wait_until([] { return !controller_running(); }));
  EXPECT_EQ(job->state.load(), JOB_COMPLETED);
  expect_faithful("a.bin", true);
}

TEST_F(Reliability, FullDestinationIsRetriedAndCompletesOnceFreed) {
  ASSERT_TRUE(mount_.mount_small_dest(2 << 20));
  dir_.write("dest/filler", std::string(1536 * 1024, 'f'));
  CopyJob* job = add_job("a.bin", 1 << 20);
  start_controller();
  ASSERT_TRUE(
      wait_until([&] { return lines_ending(" - Ошибка: " + std::to_string(ENOSPC)) >= 2; }));
  EXPECT_GT(job->bytes_copied.load(), 0);
  expect_faithful("a.bin", false);
  EXPECT_EQ(static_cast<int64_t>(dir_.read("dest/a.bin").size()), job->bytes_copied.load());
  dir_.remove("dest/filler");
  ASSERT_TRUE(wait_until([] { return !controller_running(); }));
  EXPECT_EQ(job->state.load(), JOB_COMPLETED);
  expect_faithful("a.bin", true);
}

TEST_F(Reliability, SourceThatGrowsIsCopiedToItsNewEnd) {
  mount_.set_schedule("stall a.bin 3");
  CopyJob* job = add_job("a.bin", 1 << 20);
  start_controller();
  ASSERT_TRUE(wait_until([&] { return job->bytes_copied.load() > 200000; }));
  std::ofstream(mount_.backing("a.bin"), std::ios::binary | std::ios::app)
      << pattern_bytes(300000, 7);
  ASSERT_TRUE(wait_until([] { return !controller_running(); }));
  EXPECT_EQ(job->state.load(), JOB_COMPLETED);
  EXPECT_EQ(job->bytes_copied.load(), (1 << 20) + 300000);
  expect_faithful("a.bin", true);
}

TEST_F(Reliability, StopAndStartAgainContinuesWhereItStopped) {
  mount_.set_schedule("stall a.bin 3");
  CopyJob* job = add_job("a.bin", 2 << 20);
  start_controller();
  ASSERT_TRUE(wait_until([&] { return job->bytes_copied.load() > 300000; }));
  stop_controller(true, false, true);
  EXPECT_EQ(job->state.load(), JOB_QUEUED);
  int64_t stopped_at = job->bytes_copied.load();
  EXPECT_LT(stopped_at, 2 << 20);
  EXPECT_EQ(static_cast<int64_t>(dir_.read("dest/a.bin").size()), stopped_at);
  expect_faithful("a.bin", false);
  EXPECT_EQ(lines_ending(" Копирование завершено"), 1);  // the end of a stopped run is logged

  mount_.set_schedule("");
  run_to_end();
  EXPECT_EQ(job->state.load(), JOB_COMPLETED);
  expect_faithful("a.bin", true);
  EXPECT_EQ(lines_ending(" Запуск копирования"), 2);
}

}  // namespace
