#include "engine/copy_run.h"

#include <new>

#include "engine/activity_log.h"

namespace {

// A day in last-write ticks: far beyond the rounding of any file system.
constexpr int64_t kDayTicks = INT64_C(864000000000);

// The front reached the end, or a pass over the holes ended, with holes
// left: the job is not complete. It stays in error with the last read's
// code, and the next pass reads its holes.
void leave_holes(Run* run) {
  CopyJob* job = run->job;
  job->state.store(JOB_ERROR);
  job->step_values[0] = hole_bytes(run->holes);
  job->step_values[1] = static_cast<int64_t>(run->holes.size());
  set_step(job, STEP_HOLES_LEFT);
  log_step(job);
  run->finished = true;
}

}  // namespace

void set_step(CopyJob* job, CopyStep step) { job->step.store(step); }

void record_failure(CopyJob* job, uint32_t error) {
  job->state.store(JOB_ERROR);
  job->last_error.store(error);
  log_step(job);
}

void record_write_failure(CopyJob* job, uint32_t error) {
  job->check_dest.store(true);
  record_failure(job, error);
}

void record_call_failure(Run* run, CopyStep step) {
  set_step(run->job, step);
  record_failure(run->job, run->ops->last_error());
}

bool position(Run* run, platform::File* file, int64_t offset, CopyStep step) {
  if (run->ops->seek(file, offset)) return true;
  record_call_failure(run, step);
  return false;
}

bool read_block(Run* run, platform::File* file, char* buffer, uint32_t size, uint32_t* got) {
  *got = 0;
  while (*got < size) {
    uint32_t part = 0;
    if (!run->ops->read(file, buffer + *got, size - *got, &part)) {
      record_call_failure(run, STEP_READ);
      return false;
    }
    if (part == 0) break;
    *got += part < size - *got ? part : size - *got;
  }
  return true;
}

bool write_buffer(Run* run, platform::File* dest, uint32_t size, uint32_t* written) {
  set_step(run->job, STEP_WRITE);
  *written = 0;
  bool ok = run->ops->write_all(dest, run->buffer, size, written);
  uint32_t error = ok ? 0 : run->ops->last_error();
  if (*written > size) *written = size;
  if (ok && *written < size) {
    ok = false;  // a write that claims success but left bytes behind
    error = platform::invalid_parameter_error();
  }
  if (!ok) record_write_failure(run->job, error);
  return ok;
}

bool flush_durable(Run* run, platform::File* dest) {
  if (!run->ops->flush(dest) && !platform::flush_unsupported(run->ops->last_error())) return false;
  run->job->bytes_durable.store(run->job->bytes_copied.load());
  return true;
}

void publish_holes(Run* run, bool merged) {
  CopyJob* job = run->job;
  HoleMap* map = job->holes.load();
  if (map == nullptr && run->holes.empty()) return;
  if (map == nullptr) {
    // Without memory for the map the holes stay the run's own: the job is
    // still never complete while it has any.
    map = new (std::nothrow) HoleMap;
    if (map == nullptr) return;
    job->holes.store(map);
  }
  write_holes(map, run->holes);
  if (!merged || run->merge_logged) return;
  run->merge_logged = true;
  job->step_values[0] = kMaxHoles;
  set_step(job, STEP_HOLES_MERGED);
  log_step(job);
}

// A destination with holes is no copy of its source yet: a later Add must
// not take its length for bytes copied, so it is marked with another time.
void stamp_source_time(Run* run, platform::File* dest) {
  const int64_t time = run->job->source_time.load();
  if (time == kTimeUnknown) return;
  run->ops->set_file_time(dest, run->holes.empty() ? time : time - kDayTicks);
}

// The destination is cut to the bytes copied (a longer file would keep a
// foreign tail; one with a hole at its end grows to its full length) and
// flushed, so that "completed" means the source's bytes and only they are on
// the device. A file that cannot be flushed at all is as flushed as it gets;
// any other failure of either is a failed write.
void complete(Run* run, platform::File* dest) {
  CopyJob* job = run->job;
  const FileOps& ops = *run->ops;
  bool ok = ops.truncate(dest, job->bytes_copied.load());
  if (ok) stamp_source_time(run, dest);
  ok = ok && flush_durable(run, dest);
  if (!ok) {
    const uint32_t error = ops.last_error();
    set_step(job, STEP_WRITE);
    record_write_failure(job, error);
    return;
  }
  if (!run->holes.empty()) {
    leave_holes(run);
    return;
  }
  job->state.store(JOB_COMPLETED);
  log_step(job);
}
