#include "engine/copy_worker.h"

#include "engine/activity_log.h"
#include "engine/copy_job.h"
#include "engine/file_ops.h"
#include "engine/run_flags.h"

namespace {

// What one run holds: the buffer (allocated once, retried at each attempt
// only while missing) and the count of attempts that failed in a row.
struct Run {
  CopyJob* job;
  const FileOps* ops;
  void* buffer = nullptr;
  uint32_t buffer_size = 0;   // the size allocated; never the job's live value
  uint32_t buffer_error = 0;  // why there is no buffer
  int32_t failed_attempts = 0;
  int32_t attempts_made = 0;
};

void set_step(CopyJob* job, CopyStep step) { job->step.store(step); }

void record_failure(CopyJob* job, uint32_t error) {
  job->state.store(JOB_ERROR);
  job->last_error.store(error);
  log_step(job);
}

// A size below 1 can only come from a hand-edited settings file; a read of
// zero bytes would pass for the end of the source, so it is a failed read.
void allocate_buffer(Run* run) {
  int32_t size = run->job->param.buffer_size;
  if (size < 1) {
    run->buffer_error = invalid_parameter_error();
    return;
  }
  uint32_t error = out_of_memory_error();
  run->buffer = run->ops->allocate(static_cast<size_t>(size), &error);
  if (run->buffer) {
    run->buffer_size = static_cast<uint32_t>(size);
  } else {
    run->buffer_error = error;
  }
}

// Writes one block; every byte that reached the file is counted, also when
// the write fails part way, so the destination matches the source up to
// bytes_copied and the next attempt continues from there.
bool write_block(Run* run, platform::File* dest, uint32_t size) {
  CopyJob* job = run->job;
  set_step(job, STEP_WRITE);
  uint32_t written = 0;
  bool ok = run->ops->write_all(dest, run->buffer, size, &written);
  uint32_t error = ok ? 0 : run->ops->last_error();
  if (written > size) written = size;
  job->bytes_copied.fetch_add(written);
  if (ok && written < size) {
    ok = false;  // a write that claims success but left bytes behind
    error = invalid_parameter_error();
  }
  if (!ok) record_failure(job, error);
  return ok;
}

// At the end of the source the destination is flushed first, so that
// "completed" means the data is on the device. A failed flush counts as a
// failed write.
void complete(Run* run, platform::File* dest) {
  CopyJob* job = run->job;
  if (!run->ops->flush(dest)) {
    uint32_t error = run->ops->last_error();
    set_step(job, STEP_WRITE);
    record_failure(job, error);
    return;
  }
  job->state.store(JOB_COMPLETED);
  log_step(job);
}

// At the end of the source: true when the source is now shorter than the
// bytes already copied. The destination then holds bytes the source no longer
// has, so the job is not complete: the copy starts over from the first byte
// (the next attempt empties the destination). A size that cannot be read is a
// failed read.
bool source_shrank(Run* run, platform::File* source) {
  CopyJob* job = run->job;
  int64_t size = 0;
  if (!run->ops->file_size(source, &size)) {
    record_failure(job, run->ops->last_error());
    return true;
  }
  if (size >= job->bytes_copied.load()) return false;
  job->bytes_copied.store(0);
  record_failure(job, source_shrank_error());
  return true;
}

void copy_blocks(Run* run, platform::File* source, platform::File* dest) {
  CopyJob* job = run->job;
  while (run_flags.run.load()) {
    set_step(job, STEP_READ);
    if (!run->buffer) {
      record_failure(job, run->buffer_error);
      return;
    }
    uint32_t got = 0;
    if (!run->ops->read(source, run->buffer, run->buffer_size, &got)) {
      record_failure(job, run->ops->last_error());
      return;
    }
    if (got == 0) {
      if (!source_shrank(run, source)) complete(run, dest);
      return;
    }
    if (got > run->buffer_size) got = run->buffer_size;
    if (!write_block(run, dest, got)) return;
    run->failed_attempts = 0;
  }
}

// Opens and positions both files at the resume offset, copies, closes.
void attempt(Run* run) {
  CopyJob* job = run->job;
  const FileOps& ops = *run->ops;
  if (job->bytes_copied.load() > job->total_size) job->bytes_copied.store(0);
  int64_t offset = job->bytes_copied.load();
  // Memory may have come free during the pause.
  if (!run->buffer && run->attempts_made > 0) allocate_buffer(run);
  run->attempts_made++;

  job->state.store(JOB_RUNNING);
  set_step(job, STEP_OPEN_SOURCE);
  log_step(job);
  platform::File* source = ops.open_source(job->source_path);
  if (!source) {
    record_failure(job, ops.last_error());
    return;
  }

  set_step(job, STEP_SEEK_SOURCE);
  log_step(job);
  if (!ops.seek(source, offset)) {
    record_failure(job, ops.last_error());
    ops.close(source);
    return;
  }

  set_step(job, STEP_OPEN_DEST);
  log_step(job);
  platform::File* dest = ops.open_dest(job->dest_path, job->bytes_copied.load() == 0);
  if (!dest) {
    record_failure(job, ops.last_error());
    ops.close(source);
    return;
  }

  set_step(job, STEP_SEEK_DEST);
  log_step(job);
  if (ops.seek(dest, offset)) {
    set_step(job, STEP_COPY);
    log_step(job);
    copy_blocks(run, source, dest);
  } else {
    record_failure(job, ops.last_error());
  }
  ops.close(dest);
  ops.close(source);
}

void pause_after_failure(Run* run) {
  CopyJob* job = run->job;
  if (job->state.load() != JOB_ERROR || !run_flags.run.load()) return;
  set_step(job, STEP_WAIT);
  log_step(job);
  // Read afresh: the value in the job now. A negative one (hand-edited file)
  // means no pause.
  int32_t timeout = job->param.retry_timeout;
  run->ops->sleep(timeout > 0 ? static_cast<uint32_t>(timeout) : 0);
}

}  // namespace

uint32_t copy_worker(void* argument) {
  CopyJob* job = static_cast<CopyJob*>(argument);
  if (!job) return 0;
  Run run{job, &file_ops()};
  set_step(job, STEP_START);
  log_step(job);
  allocate_buffer(&run);

  if (job->param.max_attempts > 0) {
    while (run_flags.run.load()) {
      attempt(&run);
      bool completed = job->state.load() == JOB_COMPLETED;
      pause_after_failure(&run);
      if (completed) break;
      if (++run.failed_attempts >= job->param.max_attempts) break;
    }
  }

  if (run.buffer) run.ops->release(run.buffer);
  if (job->state.load() == JOB_RUNNING) job->state.store(JOB_QUEUED);
  set_step(job, STEP_DONE);
  log_step(job);
  return 0;
}
