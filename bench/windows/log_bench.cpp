// Growth of the activity log: the lines of many copies, made by the real log
// code on the window thread, into the real log list box (1010). The first
// lines go to the visible window, for the time a line costs; the rest go to
// the hidden window, which takes them in microseconds instead of milliseconds
// under Wine and holds them in the same memory.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "bench/common/stats.h"
#include "bench/windows/bench_modes.h"
#include "bench/windows/memory_use.h"
#include "bench/windows/window_runner.h"
#include "engine/activity_log.h"
#include "engine/copy_job.h"
#include "engine/copy_worker.h"
#include "engine/run_flags.h"
#include "tests/unit/support/test_jobs.h"
#include "ui/main/main_state.h"

namespace {

constexpr int kVisibleCopies = 100;
constexpr int kCopiesPerCall = 1000;

// The calls of one successful copy and the lines they give: start, both
// opens with their paths, copying, done and an empty line.
const CopyStep kCopySteps[] = {STEP_START, STEP_OPEN_SOURCE, STEP_OPEN_DEST, STEP_COPY, STEP_DONE};
constexpr int kLinesPerCopy = 6;

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

// Window-thread microseconds per line for `copies` copies.
double us_per_line(WindowRunner* window, CopyJob* job, int copies) {
  double us = 0;
  window->run([&] {
    const double start = now_seconds();
    log_copies(job, copies);
    us = (now_seconds() - start) * 1e6 / (copies * kLinesPerCopy);
  });
  return us;
}

double average_line_length(HWND log, int count) {
  double total = 0;
  for (int i = 0; i < count; ++i) {
    total += static_cast<double>(SendMessageA(log, LB_GETTEXTLEN, i, 0));
  }
  return count > 0 ? total / count : 0;
}

}  // namespace

int log_bench(int, char** argv) {
  const int lines = std::atoi(argv[0]);
  prepare_window_process();
  BenchSettings settings;
  bench_settings(&settings, "D:\\copies", 0x7FFFFFFF);
  WindowRunner window(&settings);
  if (!window.opened()) return 1;
  JobRowPtr row = make_test_row("C:\\data\\incoming\\holiday photos\\IMG_20240612_183015.jpg",
                                "D:\\copies\\IMG_20240612_183015.jpg", 4 << 20);
  run_flags.log_enabled.store(true);
  HWND log = GetDlgItem(window.window(), ID_LOG);

  const double visible_us = us_per_line(&window, row->job, kVisibleCopies);
  ShowWindow(window.window(), SW_HIDE);
  const MemoryUse before = memory_use();
  std::vector<double> hidden_us;
  const int copies = lines / kLinesPerCopy;
  for (int made = 0; made < copies; made += kCopiesPerCall) {
    hidden_us.push_back(us_per_line(&window, row->job, kCopiesPerCall));
  }
  const MemoryUse after = memory_use();
  ShowWindow(window.window(), SW_SHOW);
  int count = 0;
  double length = 0;
  window.run([&] {
    count = static_cast<int>(SendMessageA(log, LB_GETCOUNT, 0, 0));
    length = average_line_length(log, count);
  });
  run_flags.log_enabled.store(false);

  const int added = count - kVisibleCopies * kLinesPerCopy;
  const double grown = static_cast<double>(after.working_set) - before.working_set;
  std::printf("| %d | %.1f | %.0f | %.1f | %.0f | %.1f |\n", count, length, visible_us,
              median(hidden_us), grown / added, grown / added * 100000 / kMiB);
  return 0;
}
