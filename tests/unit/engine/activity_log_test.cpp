#include "engine/activity_log.h"

#include "tests/unit/engine/worker_fixture.h"
#include "tests/unit/support/fault_file_ops.h"

namespace {

using Lines = std::vector<std::string>;

TEST_F(WorkerTest, SuccessfulRunLogsSixLines) {
  dir_.write("src", pattern_bytes(1000));
  JobRowPtr row = job_for("src", "dst", 1000);
  run_worker(row.get());
  EXPECT_EQ(log_texts(),
            (Lines{" Запуск копирования", " Открытие исходного файла: " + dir_.path("src"),
                   " Открытие конечного файла: " + dir_.path("dst"), " Копирование...",
                   " Копирование завершено", ""}));
  // Autoscroll keeps the last line on top after every call.
  EXPECT_EQ(host_.top_line, 5);
  EXPECT_GE(host_.top_line_calls, 6);
}

TEST_F(WorkerTest, ReadFailureLogsTheOperationTheErrorAndThePause) {
  FaultFileOps ops;
  ops.rule = FaultFileOps::fail_nth(FaultOp::kRead, 2, 5);
  dir_.write("src", pattern_bytes(1000));
  JobRowPtr row = job_for("src", "dst", 1000);
  row->job->param.retry_timeout = 5000;
  run_worker(row.get());
  const std::string open_source = " Открытие исходного файла: " + dir_.path("src");
  const std::string open_dest = " Открытие конечного файла: " + dir_.path("dst");
  EXPECT_EQ(log_texts(), (Lines{" Запуск копирования", open_source, open_dest, " Копирование...",
                                " Чтение", " - Ошибка: 5", " Ожидание: 5000 msec.", open_source,
                                open_dest, " Копирование...", " Копирование завершено", ""}));
}

TEST_F(WorkerTest, FailedOpensAndSeeksLogTheirOwnLines) {
  FaultFileOps ops;
  ops.rule = [](FaultOp op, int call) {
    if (op == FaultOp::kSeek && call == 2) return 22u;  // the destination's
    return 0u;
  };
  JobRowPtr row = job_for("absent", "dst", 10, 0, test_copy_param(100, 1));
  run_worker(row.get());
  const std::string open_source = " Открытие исходного файла: " + dir_.path("absent");
  EXPECT_EQ(log_texts(), (Lines{" Запуск копирования", open_source, " - Ошибка: 2",
                                " Ожидание: 1 msec.", " Копирование завершено", ""}));

  dir_.write("absent", "0123456789");
  host_.on_window([&] { host_.log_lines.clear(); });
  run_worker(row.get());
  EXPECT_EQ(log_texts(), (Lines{" Запуск копирования", open_source,
                                " Открытие конечного файла: " + dir_.path("dst"),
                                " Изменение файлового указателя", " - Ошибка: 22",
                                " Ожидание: 1 msec.", " Копирование завершено", ""}));
}

TEST_F(WorkerTest, LogIsSilentWhenDisabledOrClosingAndScrollsOnlyWithAutoscroll) {
  JobRowPtr row = job_for("src", "dst", 10);
  CopyJob* job = row->job;
  job->step = STEP_START;
  run_flags.log_enabled = false;
  log_step(job);
  run_flags.log_enabled = true;
  run_flags.closing = true;
  log_step(job);
  run_flags.closing = false;
  EXPECT_TRUE(host_.lines().empty());
  EXPECT_EQ(host_.top_line_calls, 0);

  // Steps that add no line still scroll.
  for (int step :
       {int{STEP_SEEK_SOURCE}, int{STEP_READ}, int{STEP_SEEK_DEST}, int{STEP_WRITE}, 99}) {
    job->step = step;
    log_step(job);
  }
  EXPECT_TRUE(host_.lines().empty());
  EXPECT_EQ(host_.top_line_calls, 5);
  EXPECT_EQ(host_.top_line, -1);

  host_.autoscroll_on = false;
  job->step = STEP_START;
  log_step(job);
  EXPECT_EQ(host_.lines().size(), 1u);
  EXPECT_EQ(host_.top_line_calls, 5);
}

}  // namespace
