#include "bench/common/queue_rounds.h"

#include <cstdlib>

#include "bench/common/stats.h"
#include "engine/file_ops.h"
#include "engine/queue_controller.h"
#include "engine/run_flags.h"
#include "platform/platform.h"
#include "tests/unit/support/fake_window_host.h"
#include "tests/unit/support/test_jobs.h"

namespace {

uint32_t idle(void*) { return 0; }

bool no_time(platform::File*, int64_t* last_write) {
  *last_write = 0;
  return true;
}
bool no_stamp(platform::File*, int64_t) { return true; }

FileOps untimed_ops() {
  FileOps ops = platform_file_ops();
  ops.file_time = no_time;
  ops.set_file_time = no_stamp;
  return ops;
}

}  // namespace

double in_memory_queue_seconds(const std::vector<std::string>& sources,
                               const std::vector<std::string>& dests, int64_t size, bool timed) {
  static const FileOps untimed = untimed_ops();
  set_file_ops(timed ? nullptr : &untimed);
  FakeWindowHost host;
  std::vector<JobRowPtr> rows;
  const CopyParam param = test_copy_param(kDefaultBufferSize, kDefaultMaxAttempts);
  for (size_t i = 0; i < sources.size(); ++i) {
    rows.push_back(make_test_row(sources[i], dests[i], size, 0, param));
    host.rows.push_back(rows.back().get());
  }
  run_flags.run.store(true);
  run_flags.log_enabled.store(true);
  run_flags.closing.store(false);
  const double start = now_seconds();
  queue_controller(nullptr);
  const double seconds = now_seconds() - start;
  for (const JobRowPtr& row : rows) {
    if (row->job->state.load() != JOB_COMPLETED) std::exit(1);
  }
  run_flags.run.store(false);
  run_flags.log_enabled.store(false);
  set_file_ops(nullptr);
  return seconds;
}

double threads_seconds(int count) {
  const double start = now_seconds();
  for (int i = 0; i < count; ++i) {
    platform::Thread* thread = platform::start_thread(idle, nullptr);
    platform::wait_thread(thread);
    platform::close_thread(thread);
  }
  return now_seconds() - start;
}
