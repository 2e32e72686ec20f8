// The queue controller's walk over the rows with a fake main window.
#include <atomic>
#include <chrono>
#include <thread>

#include "engine/copy_worker.h"
#include "tests/unit/engine_threads/controller_fixture.h"
#include "tests/unit/support/fault_file_ops.h"

namespace {

using Buttons = std::vector<bool>;

TEST_F(ControllerTest, EmptyListEndsAtOnce) {
  start_controller();
  ASSERT_TRUE(controller_ends());
  EXPECT_EQ(host_.buttons(), (Buttons{false, true}));
  EXPECT_TRUE(host_.bug_texts().empty());
  EXPECT_TRUE(run_flags.run.load());  // the controller never writes a flag
  EXPECT_TRUE(run_flags.log_enabled.load());
}

TEST_F(ControllerTest, AllCompleteTakesOnePassAndNoWorker) {
  for (const char* name : {"a", "b", "c"})
    add_row(name, std::string(name) + ".out", 10)->job->state = JOB_COMPLETED;
  start_controller();
  ASSERT_TRUE(controller_ends());
  host_.on_window([&] {
    EXPECT_EQ(host_.row_queries, 3);
    for (JobRow* row : host_.rows) EXPECT_EQ(row->job->step.load(), 0);  // no worker ran
  });
  EXPECT_TRUE(host_.lines().empty());
  EXPECT_EQ(host_.buttons(), (Buttons{false, true}));
}

TEST_F(ControllerTest, FailingJobGetsARunEveryPassUntilStop) {
  const std::string data = pattern_bytes(5000);
  dir_.write("first", data);
  dir_.write("third", data);
  CopyParam one_attempt = test_copy_param(1000, 1);
  JobRow* first = add_row("first", "first.out", 5000);
  JobRow* middle = add_row("missing", "middle.out", 5000, one_attempt);
  JobRow* third = add_row("third", "third.out", 5000);
  start_controller();
  ASSERT_TRUE(wait_until([&] { return lines_equal(open_line("missing")) >= 4; }));
  stop_button();
  ASSERT_TRUE(controller_ends());

  // The first and third completed in pass one and were never run again.
  EXPECT_EQ(lines_equal(open_line("first")), 1);
  EXPECT_EQ(lines_equal(open_line("third")), 1);
  std::vector<std::string> lines = host_.lines();
  auto position = [&](const std::string& text, int nth) {
    for (size_t i = 0; i < lines.size(); ++i) {
      if (lines[i].size() >= 10 && lines[i].substr(10) == text && --nth == 0) return i;
    }
    return lines.size();
  };
  EXPECT_LT(position(open_line("third"), 1), position(open_line("missing"), 2));
  EXPECT_EQ(first->job->state.load(), JOB_COMPLETED);
  EXPECT_EQ(third->job->state.load(), JOB_COMPLETED);
  EXPECT_EQ(middle->job->state.load(), JOB_ERROR);
  EXPECT_EQ(dir_.read("first.out"), data);
  EXPECT_EQ(dir_.read("third.out"), data);
  EXPECT_EQ(host_.buttons(), (Buttons{false, true}));
  // Stop leaves logging on: the last run's end is in the log.
  EXPECT_EQ(lines.back(), "");
  EXPECT_EQ(lines[lines.size() - 2].substr(10), " Копирование завершено");
}

TEST_F(ControllerTest, JobWithoutAttemptsIsRunAgainAndAgainUntilStop) {
  dir_.write("a", pattern_bytes(100));
  JobRow* row = add_row("a", "a.out", 100, test_copy_param(100, 0));
  start_controller();
  ASSERT_TRUE(wait_until([&] { return lines_equal(" Запуск копирования") >= 3; }));
  stop_button();
  ASSERT_TRUE(controller_ends());
  EXPECT_EQ(row->job->state.load(), JOB_QUEUED);
  EXPECT_EQ(lines_equal(open_line("a")), 0);
  EXPECT_FALSE(dir_.exists("a.out"));
  EXPECT_EQ(host_.buttons(), (Buttons{false, true}));
}

// Holds the first source open until the test lets it go.
class HeldWorker {
 public:
  explicit HeldWorker(FaultFileOps* ops) {
    ops->before = [this](FaultOp op, int call) {
      if (op != FaultOp::kOpenSource || call != 1) return;
      held_ = true;
      while (!released_) std::this_thread::sleep_for(std::chrono::milliseconds(1));
    };
  }
  bool held() const { return held_; }
  void release() { released_ = true; }

 private:
  std::atomic<bool> held_{false};
  std::atomic<bool> released_{false};
};

TEST_F(ControllerTest, RowsAppendedDuringARunAreVisitedInThisPass) {
  FaultFileOps ops;
  HeldWorker worker(&ops);
  const std::string data = pattern_bytes(3000);
  dir_.write("a", data);
  dir_.write("b", data);
  add_row("a", "a.out", 3000);
  start_controller();
  ASSERT_TRUE(wait_until([&] { return worker.held(); }));
  JobRow* appended = add_row("b", "b.out", 3000);
  worker.release();
  ASSERT_TRUE(controller_ends());
  EXPECT_EQ(appended->job->state.load(), JOB_COMPLETED);
  EXPECT_EQ(dir_.read("b.out"), data);
  EXPECT_EQ(ops.calls(FaultOp::kOpenSource), 2);
  EXPECT_TRUE(host_.bug_texts().empty());
}

// Rows a (complete), b and c, started: b's row once its worker is held,
// null when it never is.
class RowsDeletedTest : public ControllerTest {
 protected:
  JobRow* start_with_b_held(const HeldWorker& worker) {
    dir_.write("b", pattern_bytes(100));
    add_row("a", "a.out", 10)->job->state = JOB_COMPLETED;
    JobRow* busy = add_row("b", "b.out", 100);
    add_row("c", "c.out", 10);
    start_controller();
    return wait_until([&] { return worker.held(); }) ? busy : nullptr;
  }
};

// Rows deleted during a run so that the index lies beyond the last row: an
// ordinary Delete, so a new pass begins as at the end of the list.
TEST_F(RowsDeletedTest, RowsDeletedPastTheIndexBeginANewPass) {
  FaultFileOps ops;
  HeldWorker worker(&ops);
  JobRow* busy = start_with_b_held(worker);
  ASSERT_NE(busy, nullptr);
  EXPECT_FALSE(delete_row(1));  // its worker runs: Delete skips it
  EXPECT_TRUE(delete_row(2));
  EXPECT_TRUE(delete_row(0));
  worker.release();
  ASSERT_TRUE(controller_ends());
  EXPECT_TRUE(host_.bug_texts().empty());
  EXPECT_EQ(busy->job->state.load(), JOB_COMPLETED);
  EXPECT_EQ(busy->worker_thread.load(), nullptr);
  EXPECT_FALSE(busy->job->worker_started.load());
  EXPECT_EQ(host_.buttons(), (Buttons{false, true}));
}

// The last row deleted while the one before it copies: the index then
// equals the new count of rows, the end of the list, and a new pass begins.
TEST_F(RowsDeletedTest, TheLastRowDeletedWhileTheOneBeforeCopiesBeginsANewPass) {
  FaultFileOps ops;
  HeldWorker worker(&ops);
  JobRow* busy = start_with_b_held(worker);
  ASSERT_NE(busy, nullptr);
  EXPECT_TRUE(delete_row(2));
  worker.release();
  ASSERT_TRUE(controller_ends());
  EXPECT_TRUE(host_.bug_texts().empty());
  EXPECT_EQ(busy->job->state.load(), JOB_COMPLETED);
}

TEST_F(ControllerTest, RowInsideTheListWithoutARecordEndsTheControllerWithN01) {
  add_row("a", "a.out", 10)->job->state = JOB_COMPLETED;
  host_.on_window([&] { host_.rows.push_back(nullptr); });
  start_controller();
  ASSERT_TRUE(controller_ends());
  EXPECT_EQ(host_.bug_texts(), std::vector<std::string>{"Incredible error: CONTROLLER_N01"});
  EXPECT_EQ(host_.buttons(), (Buttons{false, true}));
}

TEST_F(ControllerTest, RowWithoutAJobEndsTheControllerWithN02) {
  add_row("a", "a.out", 10)->job->state = JOB_COMPLETED;
  JobRow* empty = new JobRow;
  host_.on_window([&] { host_.rows.push_back(empty); });
  start_controller();
  ASSERT_TRUE(controller_ends());
  EXPECT_EQ(host_.bug_texts(), std::vector<std::string>{"Incredible error: CONTROLLER_N02"});
  EXPECT_EQ(host_.buttons(), (Buttons{false, true}));
}

TEST_F(ControllerTest, StartWhileRunningDoesNothing) {
  FaultFileOps ops;
  HeldWorker worker(&ops);
  dir_.write("a", pattern_bytes(100));
  add_row("a", "a.out", 100);
  start_controller();
  ASSERT_TRUE(wait_until([&] { return worker.held(); }));
  start_controller();
  start_controller();
  worker.release();
  ASSERT_TRUE(controller_ends());
  EXPECT_EQ(ops.calls(FaultOp::kOpenSource), 1);
  EXPECT_EQ(host_.buttons(), (Buttons{false, true}));
}

}  // namespace

namespace {

// Closing the window ends the pause after a failed attempt at once; Stop lets
// it run out.
TEST_F(ControllerTest, ClosingEndsThePauseAtOnceStopDoesNot) {
  CopyParam long_pause = test_copy_param(100, 5);
  long_pause.retry_timeout = 600000;
  JobRow* row = add_row("missing", "missing.out", 100, long_pause);
  start_controller();
  ASSERT_TRUE(wait_until([&] { return row->job->step.load() == STEP_WAIT; }));
  stop_button();
  std::this_thread::sleep_for(std::chrono::milliseconds(100));
  EXPECT_TRUE(controller_running()) << "Stop cut the pause short";
  run_flags.closing = true;
  EXPECT_TRUE(close_controller(60000));
  EXPECT_FALSE(controller_running());
  EXPECT_EQ(row->job->state.load(), JOB_ERROR);
  EXPECT_EQ(row->job->step.load(), STEP_DONE);
}

}  // namespace
