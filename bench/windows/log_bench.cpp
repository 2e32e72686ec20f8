// The activity log at scale: the lines of many copies, made by the real log
// code into the real log list box (IDC_LOG) of the shown window with autoscroll
// on, in two ways: called on the window thread itself, a batch of copies per
// call, so that the window paints between batches; and called from another
// thread, as a worker calls it, each call crossing to the window thread.
// Measured: the window thread's processor time per line (the log's work, its
// painting and, from another thread, receiving the calls), the caller's wall
// time per line, and the growth of the process's working set; JSON on stdout.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "bench/common/json_results.h"
#include "bench/common/stats.h"
#include "bench/windows/bench_modes.h"
#include "bench/windows/memory_use.h"
#include "bench/windows/window_runner.h"
#include "engine/activity_log.h"
#include "engine/copy_job.h"
#include "engine/copy_worker.h"
#include "engine/run_flags.h"
#include "tests/unit/support/test_jobs.h"
#include "ui/main/main_window_state.h"

namespace {

// The calls of one successful copy and the lines they give: start, both
// opens with their paths, copying, done and an empty line.
const CopyStep kCopySteps[] = {STEP_START, STEP_OPEN_SOURCE, STEP_OPEN_DEST, STEP_COPY, STEP_DONE};
constexpr int kLinesPerCopy = 6;
constexpr int kCopiesPerBatch = 100;

void log_copies(CopyJob* job, int copies) {
  for (int c = 0; c < copies; ++c) {
    job->state.store(JOB_RUNNING);
    for (CopyStep step : kCopySteps) {
      if (step == STEP_DONE) job->state.store(JOB_COMPLETED);
      job->step.store(step);
      log_step(job);
    }
  }
}

// User and kernel time of a thread, in seconds.
double thread_seconds(HANDLE thread) {
  FILETIME created, ended, kernel, user;
  if (!GetThreadTimes(thread, &created, &ended, &kernel, &user)) return 0;
  auto seconds = [](const FILETIME& time) {
    ULARGE_INTEGER value;
    value.LowPart = time.dwLowDateTime;
    value.HighPart = time.dwHighDateTime;
    return static_cast<double>(value.QuadPart) / 1e7;
  };
  return seconds(kernel) + seconds(user);
}

double average_line_length(HWND log, int count) {
  double total = 0;
  for (int i = 0; i < count; ++i) {
    total += static_cast<double>(SendMessageA(log, LB_GETTEXTLEN, i, 0));
  }
  return count > 0 ? total / count : 0;
}

struct LogRun {
  int lines = 0;
  double length = 0;
  double window_us = 0;  // the window thread's processor time per line
  double wall_us = 0;    // the caller's wall time per line
  double bytes = 0;      // working-set growth per line
};

// False when the log does not hold every line.
bool log_run(int copies, bool from_other_thread, LogRun* run) {
  BenchSettings settings;
  bench_settings(&settings, "D:\\copies", 0x7FFFFFFF);
  WindowRunner window(&settings);
  if (!window.opened()) return false;
  JobRowPtr row = make_test_row("C:\\data\\incoming\\holiday photos\\IMG_20240612_183015.jpg",
                                "D:\\copies\\IMG_20240612_183015.jpg", 4 << 20);
  run_flags.log_enabled.store(true);
  HWND log = GetDlgItem(window.window(), IDC_LOG);
  const MemoryUse before = memory_use();
  const double window_before = thread_seconds(window.thread());
  const double start = now_seconds();
  if (from_other_thread) {
    log_copies(row->job, copies);
  } else {
    for (int made = 0; made < copies; made += kCopiesPerBatch) {
      window.run([&] { log_copies(row->job, kCopiesPerBatch); });
    }
  }
  const double wall = now_seconds() - start;
  Sleep(200);  // the last lines' paint is due within 100 ms
  window.run([&] { UpdateWindow(log); });
  const double window_cost = thread_seconds(window.thread()) - window_before;
  const MemoryUse after = memory_use();
  window.run([&] {
    run->lines = static_cast<int>(SendMessageA(log, LB_GETCOUNT, 0, 0));
    run->length = average_line_length(log, run->lines);
  });
  run_flags.log_enabled.store(false);
  if (run->lines != copies * kLinesPerCopy) return false;
  run->window_us = window_cost * 1e6 / run->lines;
  run->wall_us = wall * 1e6 / run->lines;
  run->bytes = (static_cast<double>(after.working_set) - before.working_set) / run->lines;
  return true;
}

}  // namespace

int log_bench(int, char** argv) {
  const int copies = std::atoi(argv[0]) / kLinesPerCopy / kCopiesPerBatch * kCopiesPerBatch;
  prepare_window_process();
  std::vector<JsonObject> runs;
  for (bool from_other_thread : {false, true}) {
    LogRun run;
    if (!log_run(copies, from_other_thread, &run)) return 1;
    runs.push_back(JsonObject()
                       .text("called", from_other_thread ? "other_thread" : "window_thread")
                       .count("lines", run.lines)
                       .number("average_characters", run.length)
                       .number("window_us_per_line", run.window_us)
                       .number("caller_wall_us_per_line", run.wall_us)
                       .number("bytes_per_line", run.bytes));
  }
  JsonObject().rows("runs", runs).print();
  return 0;
}
