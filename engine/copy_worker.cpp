#include "engine/copy_worker.h"

#include <cstring>

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

// A failed write or flush may have taken bytes written before it along with
// the device (a drive pulled, a share dropped) while the file kept its size:
// the next attempt compares the destination before it continues it.
void record_write_failure(CopyJob* job, uint32_t error) {
  job->check_dest.store(true);
  record_failure(job, error);
}

// A failed call of the file layer, recorded under `step`.
void record_call_failure(Run* run, CopyStep step) {
  set_step(run->job, step);
  record_failure(run->job, run->ops->last_error());
}

// A size below 1 can only come from a hand-edited settings file; a read of
// zero bytes would pass for the end of the source, so it is a failed read.
void allocate_buffer(Run* run) {
  int32_t size = run->job->param.buffer_size;
  if (size < 1) {
    run->buffer_error = platform::invalid_parameter_error();
    return;
  }
  uint32_t error = platform::out_of_memory_error();
  run->buffer = run->ops->allocate(static_cast<size_t>(size), &error);
  if (run->buffer) {
    run->buffer_size = static_cast<uint32_t>(size);
  } else {
    run->buffer_error = error;
  }
}

// Positions `file` at `offset`; a failure is recorded under `step`.
bool position(Run* run, platform::File* file, int64_t offset, CopyStep step) {
  if (run->ops->seek(file, offset)) return true;
  record_call_failure(run, step);
  return false;
}

// Reads until `size` bytes are in or the file ends; a failure is a failed read.
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

enum Comparison { COMPARE_FAILED, COMPARE_SAME, COMPARE_DIFFERENT };

// A read for the comparison that stopped at `reached`, short of `end`: only
// a file that really ends there gave all it has. Any other short read is the
// redirector's spurious one, a failed read: taking it for "different" would
// throw away bytes a worn source may not give twice.
bool whole_block(Run* run, platform::File* file, int64_t reached, int64_t end) {
  if (reached >= end) return true;
  int64_t size = 0;
  if (!run->ops->file_size(file, &size)) {
    record_call_failure(run, STEP_READ);
    return false;
  }
  if (size <= reached) return true;
  set_step(run->job, STEP_READ);
  record_failure(run->job, platform::read_fault_error());
  return false;
}

// Compares the destination's last block before `offset` with the source's
// same bytes. Its failures are those of an attempt: recorded, paused, retried.
Comparison compare_last_block(Run* run, platform::File* source, platform::File* dest,
                              int64_t offset) {
  CopyJob* job = run->job;
  set_step(job, STEP_READ);
  if (!run->buffer) {
    record_failure(job, run->buffer_error);
    return COMPARE_FAILED;
  }
  const uint32_t size =
      offset < run->buffer_size ? static_cast<uint32_t>(offset) : run->buffer_size;
  uint32_t error = platform::out_of_memory_error();
  char* dest_block = static_cast<char*>(run->ops->allocate(size, &error));
  if (!dest_block) {
    record_failure(job, error);
    return COMPARE_FAILED;
  }
  char* source_block = static_cast<char*>(run->buffer);
  const int64_t start = offset - size;
  uint32_t source_got = 0;
  uint32_t dest_got = 0;
  Comparison result = COMPARE_FAILED;
  if (position(run, source, start, STEP_SEEK_SOURCE) &&
      read_block(run, source, source_block, size, &source_got) &&
      whole_block(run, source, start + source_got, offset) &&
      position(run, dest, start, STEP_SEEK_DEST) &&
      read_block(run, dest, dest_block, size, &dest_got) &&
      whole_block(run, dest, start + dest_got, offset)) {
    // A source that ends inside the block cannot be what was copied either.
    const bool same =
        source_got == size && dest_got == size && std::memcmp(source_block, dest_block, size) == 0;
    result = same ? COMPARE_SAME : COMPARE_DIFFERENT;
  }
  run->ops->release(dest_block);
  return result;
}

// A destination found at Add whose last block is not the source's holds some
// other file: it is emptied and written afresh from the first byte.
bool restart_destination(Run* run, platform::File* dest, int64_t* offset) {
  CopyJob* job = run->job;
  *offset = 0;
  job->bytes_copied.store(0);
  set_step(job, STEP_DEST_DIFFERS);
  log_step(job);
  if (run->ops->truncate(dest, 0)) return true;
  record_call_failure(run, STEP_WRITE);
  return false;
}

// Before a destination is continued at `*offset`: a destination that lost its
// end since (a device pulled before its cache was written, another program) is
// continued from its real end, and one found at Add is compared with the
// source first. Leaves the source positioned at the offset to copy from.
// False after a recorded failure.
bool prepare_continuation(Run* run, platform::File* source, platform::File* dest, int64_t* offset) {
  CopyJob* job = run->job;
  const int64_t planned = *offset;
  int64_t size = 0;
  if (!run->ops->file_size(dest, &size)) {
    record_call_failure(run, STEP_SEEK_DEST);
    return false;
  }
  if (size < *offset) {
    *offset = size;
    job->bytes_copied.store(size);
    set_step(job, STEP_DEST_SHORT);
    log_step(job);
  }
  bool compared = false;
  if (job->check_dest.load() && *offset > 0) {
    const Comparison comparison = compare_last_block(run, source, dest, *offset);
    if (comparison == COMPARE_FAILED) return false;
    compared = true;
    if (comparison == COMPARE_DIFFERENT && !restart_destination(run, dest, offset)) return false;
  }
  // Compared, or nothing left to compare: from here on the file is this job's.
  job->check_dest.store(false);
  if (!compared && *offset == planned) return true;
  return position(run, source, *offset, STEP_SEEK_SOURCE);
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
    error = platform::invalid_parameter_error();
  }
  if (!ok) record_write_failure(job, error);
  return ok;
}

// The destination carries its source's last-write time: a later Add with
// resume on tells a copy this program began from another version of the
// file by it. A file system that keeps no times leaves the copy untrusted,
// to be written afresh, which loses nothing.
void stamp_source_time(Run* run, platform::File* dest) {
  const int64_t time = run->job->source_time.load();
  if (time != kTimeUnknown) run->ops->set_file_time(dest, time);
}

// At the end of the source the destination is cut to the bytes copied (a
// longer file would keep a foreign tail) and flushed, so that "completed"
// means the source's bytes and only they are on the device. A file that
// cannot be flushed at all is as flushed as it gets; any other failure of
// either is a failed write.
void complete(Run* run, platform::File* dest) {
  CopyJob* job = run->job;
  const FileOps& ops = *run->ops;
  bool ok = ops.truncate(dest, job->bytes_copied.load());
  uint32_t error = ok ? 0 : ops.last_error();
  if (ok) stamp_source_time(run, dest);
  if (ok && !ops.flush(dest)) {
    error = ops.last_error();
    ok = platform::flush_unsupported(error);
  }
  if (!ok) {
    set_step(job, STEP_WRITE);
    record_write_failure(job, error);
    return;
  }
  job->state.store(JOB_COMPLETED);
  log_step(job);
}

// A read returned no bytes. That is the end only when the source's size says
// so: a source now shorter than the bytes copied has been replaced (the copy
// starts over from the first byte, the next attempt empties the destination),
// and one still longer gave a spurious short read (a failed read, retried).
void end_of_source(Run* run, platform::File* source, platform::File* dest) {
  CopyJob* job = run->job;
  int64_t size = 0;
  if (!run->ops->file_size(source, &size)) {
    record_failure(job, run->ops->last_error());
    return;
  }
  const int64_t copied = job->bytes_copied.load();
  if (size < copied) {
    job->bytes_copied.store(0);
    record_failure(job, platform::end_of_file_error());
  } else if (size > copied) {
    record_failure(job, platform::read_fault_error());
  } else {
    complete(run, dest);
  }
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
      end_of_source(run, source, dest);
      return;
    }
    if (got > run->buffer_size) got = run->buffer_size;
    if (!write_block(run, dest, got)) return;
    run->failed_attempts = 0;
  }
}

// An attempt that ends short of completion (a failed read, a stop) flushes
// what it wrote since `offset`: the next one continues after those bytes
// without reading them again, so they must outlive a drive pulled or a share
// dropped meanwhile. A flush that fails leaves them to be compared instead.
// Closing the window does not wait for it; a new run compares what it finds.
void keep_written(Run* run, platform::File* dest, int64_t offset) {
  CopyJob* job = run->job;
  if (job->state.load() == JOB_COMPLETED || job->check_dest.load()) return;
  if (job->bytes_copied.load() == offset || run_flags.closing.load()) return;
  if (run->ops->flush(dest) || platform::flush_unsupported(run->ops->last_error())) return;
  job->check_dest.store(true);
}

// The source must be the file the bytes copied so far came from: another
// program may have saved a new version of it since (same size or not). A
// changed source is copied afresh from its first byte; gluing the new
// version's tail to the old one's head would give a file that never existed.
// A job made without a look-up learns its source here.
bool check_source(Run* run, platform::File* source) {
  CopyJob* job = run->job;
  int64_t size = 0;
  int64_t time = 0;
  if (!run->ops->file_size(source, &size) || !run->ops->file_time(source, &time)) {
    record_failure(job, run->ops->last_error());
    return false;
  }
  const int64_t known = job->source_time.load();
  const bool changed = known != kTimeUnknown && (size != job->total_size || time != known);
  job->total_size.store(size);
  job->source_time.store(time);
  if (changed && job->bytes_copied.load() > 0) {
    job->bytes_copied.store(0);
    job->check_dest.store(false);
    set_step(job, STEP_SOURCE_CHANGED);
    log_step(job);
  }
  return true;
}

// Opens the destination: created (or emptied) when nothing has been copied,
// else continued after prepare_continuation. Null after a recorded failure.
platform::File* open_destination(Run* run, platform::File* source, int64_t* offset) {
  CopyJob* job = run->job;
  const FileOps& ops = *run->ops;
  set_step(job, STEP_OPEN_DEST);
  log_step(job);
  const bool fresh = *offset == 0;
  if (fresh && job->stale_dest.exchange(false)) {
    set_step(job, STEP_DEST_STALE);
    log_step(job);
    set_step(job, STEP_OPEN_DEST);
  }
  platform::File* dest = make_dest_folders(job) ? ops.open_dest(job->dest_path, fresh) : nullptr;
  if (!dest) {
    record_failure(job, ops.last_error());
    return nullptr;
  }
  // A destination written from its first byte is this job's own.
  if (fresh) job->check_dest.store(false);
  if (!fresh && !prepare_continuation(run, source, dest, offset)) {
    ops.close(dest);
    return nullptr;
  }
  return dest;
}

// Opens and positions both files at the resume offset, copies, closes.
void attempt(Run* run) {
  CopyJob* job = run->job;
  const FileOps& ops = *run->ops;
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
  if (!check_source(run, source)) {
    ops.close(source);
    return;
  }
  int64_t offset = job->bytes_copied.load();

  set_step(job, STEP_SEEK_SOURCE);
  log_step(job);
  if (!ops.seek(source, offset)) {
    record_failure(job, ops.last_error());
    ops.close(source);
    return;
  }

  platform::File* dest = open_destination(run, source, &offset);
  if (!dest) {
    ops.close(source);
    return;
  }

  set_step(job, STEP_SEEK_DEST);
  log_step(job);
  if (ops.seek(dest, offset)) {
    set_step(job, STEP_COPY);
    log_step(job);
    copy_blocks(run, source, dest);
    if (job->state.load() != JOB_COMPLETED && job->bytes_copied.load() != offset) {
      stamp_source_time(run, dest);
    }
    keep_written(run, dest, offset);
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
