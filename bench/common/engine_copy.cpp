#include "bench/common/engine_copy.h"

#include "engine/copy_job.h"
#include "engine/copy_worker.h"
#include "engine/run_flags.h"
#include "platform/platform.h"

EngineCopyResult engine_copy(const char* source, const char* dest, int32_t buffer_size,
                             int32_t retry_ms) {
  platform::PathInfo info{};
  EngineCopyResult result;
  if (!platform::look_up(source, &info)) return result;

  CopyParam param{};
  param.buffer_size = buffer_size;
  param.retry_timeout = retry_ms;
  param.max_attempts = 5;
  param.resume = 1;
  JobRow* row = make_job_row(source, dest, info.size, param);
  if (!row) return result;
  CopyJob* job = row->job;

  run_flags.run.store(true);
  platform::Thread* worker = platform::start_thread(copy_worker, job);
  if (worker) {
    platform::wait_thread(worker);
    platform::close_thread(worker);
  }
  result.completed = job->state.load() == JOB_COMPLETED;
  result.bytes_copied = job->bytes_copied.load();
  free_job_row(row);
  return result;
}
