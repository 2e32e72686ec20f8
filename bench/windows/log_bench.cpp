// Growth of the activity log: the lines of many copies, made by the real log
// code on the window thread, into the real log list box (1010), with the
// process's memory before and after.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
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

constexpr int kLinesPerCall = 10000;

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

double average_line_length(HWND log, int count) {
  double total = 0;
  for (int i = 0; i < count; ++i)
    total += static_cast<double>(SendMessageA(log, LB_GETTEXTLEN, i, 0));
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

  const MemoryUse before = memory_use();
  std::vector<double> chunk_us;
  for (int made = 0; made < lines; made += kLinesPerCall) {
    window.run([&] {
      const double start = now_seconds();
      log_copies(row->job, kLinesPerCall / kLinesPerCopy);
      chunk_us.push_back((now_seconds() - start) * 1e6);
    });
  }
  const MemoryUse after = memory_use();
  int count = 0;
  double length = 0;
  window.run([&] {
    count = static_cast<int>(SendMessageA(log, LB_GETCOUNT, 0, 0));
    length = average_line_length(log, count);
  });
  run_flags.log_enabled.store(false);

  const double per_100k = 100000.0 / count;
  const double grown_ws = static_cast<double>(after.working_set) - before.working_set;
  const double grown_private = static_cast<double>(after.private_bytes) - before.private_bytes;
  std::printf("| %d | %.1f | %.2f | %.1f | %.1f | %.0f |\n", count, length,
              median(chunk_us) / (kLinesPerCall / kLinesPerCopy * kLinesPerCopy),
              grown_ws * per_100k / kMiB, grown_private * per_100k / kMiB, grown_private / count);
  return 0;
}
