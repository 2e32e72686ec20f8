#include "bench/common/engine_copy.h"

#include <cstdlib>
#include <cstring>

#include "engine/copy_job.h"
#include "engine/copy_worker.h"
#include "engine/run_flags.h"
#include "platform/platform.h"

namespace {

char* copy_text(const char* text) {
  const size_t size = std::strlen(text) + 1;
  char* copy = static_cast<char*>(std::malloc(size));
  std::memcpy(copy, text, size);
  return copy;
}

}  // namespace

EngineCopyResult engine_copy(const char* source, const char* dest, int32_t buffer_size,
                             int32_t retry_ms) {
  platform::PathInfo info{};
  EngineCopyResult result;
  if (!platform::look_up(source, &info)) return result;

  CopyJob* job = new CopyJob;
  job->source_path = copy_text(source);
  job->dest_path = copy_text(dest);
  job->total_size = info.size;
  job->param.buffer_size = buffer_size;
  job->param.retry_timeout = retry_ms;
  job->param.max_attempts = 5;
  job->param.resume = 1;

  run_flags.run.store(true);
  platform::Thread* worker = platform::start_thread(copy_worker, job);
  if (worker) {
    platform::wait_thread(worker);
    platform::close_thread(worker);
  }
  result.completed = job->state.load() == JOB_COMPLETED;
  result.bytes_copied = job->bytes_copied.load();
  std::free(job->source_path);
  std::free(job->dest_path);
  delete job;
  return result;
}
