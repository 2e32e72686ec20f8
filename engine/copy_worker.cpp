#include "engine/copy_worker.h"

#include <algorithm>
#include <cstring>

#include "engine/activity_log.h"
#include "engine/copy_job.h"
#include "engine/copy_run.h"
#include "engine/file_ops.h"
#include "engine/hole_reader.h"
#include "engine/run_flags.h"

namespace {

// How often a long copy flushes its destination.
constexpr int64_t kDurableEveryMs = 2000;

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

// The copy starts over from the source's first byte: nothing copied, no hole.
void forget_progress(Run* run) {
  run->job->bytes_copied.store(0);
  run->job->bytes_durable.store(0);
  run->holes.clear();
  publish_holes(run, false);
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

// The bytes to compare before `offset`: the last block of them that holds
// no hole (the destination has zeros there, the source would not read).
void comparable_range(const Run& run, int64_t offset, int64_t* start, int64_t* end) {
  *end = offset;
  while (const Hole* hole = hole_holding(run.holes, *end - 1)) *end = hole->offset;
  *start = std::max<int64_t>(*end - run.buffer_size, 0);
  for (const Hole& hole : run.holes) {
    if (hole.end() <= *end && hole.end() > *start) *start = hole.end();
  }
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
  int64_t start = 0;
  int64_t end = 0;
  comparable_range(*run, offset, &start, &end);
  if (end <= start) return COMPARE_SAME;  // nothing outside the holes to compare
  const uint32_t size = static_cast<uint32_t>(end - start);
  uint32_t error = platform::out_of_memory_error();
  char* dest_block = static_cast<char*>(run->ops->allocate(size, &error));
  if (!dest_block) {
    record_failure(job, error);
    return COMPARE_FAILED;
  }
  char* source_block = static_cast<char*>(run->buffer);
  uint32_t source_got = 0;
  uint32_t dest_got = 0;
  Comparison result = COMPARE_FAILED;
  if (position(run, source, start, STEP_SEEK_SOURCE) &&
      read_block(run, source, source_block, size, &source_got) &&
      whole_block(run, source, start + source_got, end) &&
      position(run, dest, start, STEP_SEEK_DEST) &&
      read_block(run, dest, dest_block, size, &dest_got) &&
      whole_block(run, dest, start + dest_got, end)) {
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
  forget_progress(run);
  set_step(job, STEP_DEST_DIFFERS);
  log_step(job);
  if (run->ops->truncate(dest, 0)) return true;
  record_call_failure(run, STEP_WRITE);
  return false;
}

// Before a destination is continued at `*offset`: a destination that lost its
// end since (a device pulled before its cache was written, another program) is
// continued from its real end, unless only holes lie beyond it; and one found
// at Add is compared with the source first. Leaves the source positioned at
// the offset to copy from. False after a recorded failure.
bool prepare_continuation(Run* run, platform::File* source, platform::File* dest, int64_t* offset) {
  CopyJob* job = run->job;
  const int64_t planned = *offset;
  int64_t size = 0;
  if (!run->ops->file_size(dest, &size)) {
    record_call_failure(run, STEP_SEEK_DEST);
    return false;
  }
  if (size < *offset && !holes_cover(run->holes, size, *offset)) {
    *offset = size;
    job->bytes_copied.store(size);
    if (job->bytes_durable.load() > size) job->bytes_durable.store(size);
    fill_range(&run->holes, size, INT64_MAX - size);
    publish_holes(run, false);
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
    forget_progress(run);
    record_failure(job, platform::end_of_file_error());
  } else if (size > copied) {
    run->failed_read_at = copied;
    record_failure(job, platform::read_fault_error());
  } else {
    complete(run, dest);
  }
}

// Every few seconds of copying the destination is flushed: what the queue's
// journal records of a long copy then lags a few seconds behind it at most.
// False after a failed flush, recorded as a failed write.
bool keep_durable(Run* run, platform::File* dest) {
  if (platform::ms_since(run->flushed_at) < kDurableEveryMs) return true;
  run->flushed_at = platform::counter_now();
  if (flush_durable(run, dest)) return true;
  set_step(run->job, STEP_WRITE);
  record_write_failure(run->job, run->ops->last_error());
  return false;
}

// Copies block after block from the bytes copied on. Every byte that reached
// the destination is counted, also when a write fails part way, so the
// destination matches the source up to bytes_copied and the next attempt
// continues from there.
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
      run->failed_read_at = job->bytes_copied.load();
      record_failure(job, run->ops->last_error());
      return;
    }
    if (got == 0) {
      end_of_source(run, source, dest);
      return;
    }
    if (got > run->buffer_size) got = run->buffer_size;
    uint32_t written = 0;
    const bool ok = write_buffer(run, dest, got, &written);
    job->bytes_copied.fetch_add(written);
    run->wrote = run->wrote || written > 0;
    if (!ok || !keep_durable(run, dest)) return;
    run->failed_attempts = 0;
  }
}

// An attempt that ends short of completion (a failed read, a stop) flushes
// what it wrote: the next one continues after those bytes without reading
// them again, so they must outlive a drive pulled or a share dropped
// meanwhile. A flush that fails leaves them to be compared instead. Closing
// the window does not wait for it; a new run compares what it finds.
void keep_written(Run* run, platform::File* dest) {
  CopyJob* job = run->job;
  if (job->state.load() == JOB_COMPLETED || job->check_dest.load()) return;
  if (!run->wrote || run_flags.closing.load()) return;
  if (!flush_durable(run, dest)) job->check_dest.store(true);
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
    forget_progress(run);
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

// Opens the source and checks it is the one copied so far; makes the hole a
// series of failed reads led to. Null after a recorded failure.
platform::File* open_source(Run* run, int64_t* offset) {
  CopyJob* job = run->job;
  const FileOps& ops = *run->ops;
  set_step(job, STEP_OPEN_SOURCE);
  log_step(job);
  platform::File* source = ops.open_source(job->source_path);
  if (!source) {
    record_failure(job, ops.last_error());
    return nullptr;
  }
  if (check_source(run, source)) {
    *offset = job->bytes_copied.load();
    if (run->skip == 0 || skip_hole(run, source, offset)) return source;
  }
  ops.close(source);
  return nullptr;
}

// Copies from the front, or reads the holes once the front is at the end.
void copy_or_read_holes(Run* run, platform::File* source, platform::File* dest, int64_t offset) {
  CopyJob* job = run->job;
  const bool holes = reading_holes(*run);
  set_step(job, STEP_SEEK_DEST);
  log_step(job);
  if (!holes && !run->ops->seek(dest, offset)) {
    record_failure(job, run->ops->last_error());
    return;
  }
  set_step(job, STEP_COPY);
  log_step(job);
  if (holes) {
    read_holes_pass(run, source, dest);
  } else {
    copy_blocks(run, source, dest);
  }
}

// Opens and positions both files at the resume offset, copies, closes.
void attempt(Run* run) {
  CopyJob* job = run->job;
  const FileOps& ops = *run->ops;
  // Memory may have come free during the pause.
  if (!run->buffer && run->attempts_made > 0) allocate_buffer(run);
  run->attempts_made++;
  run->flushed_at = platform::counter_now();
  run->failed_read_at = -1;
  run->hole_read_failed = false;
  run->wrote = false;

  job->state.store(JOB_RUNNING);
  int64_t offset = 0;
  platform::File* source = open_source(run, &offset);
  if (!source) return;
  set_step(job, STEP_SEEK_SOURCE);
  log_step(job);
  if (!ops.seek(source, offset)) {
    record_failure(job, ops.last_error());
    ops.close(source);
    return;
  }
  platform::File* dest = open_destination(run, source, &offset);
  if (dest) {
    copy_or_read_holes(run, source, dest, offset);
    if (job->state.load() != JOB_COMPLETED && run->wrote) stamp_source_time(run, dest);
    keep_written(run, dest);
    ops.close(dest);
  }
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

// After an attempt that failed: the reads that fail at one offset, attempt
// after attempt, lead to a hole once max_attempts of them failed in a row.
void count_failure(Run* run) {
  if (run->failed_read_at < 0) {
    run->series_reads = 0;
    run->series_at = -1;
    return;
  }
  if (run->failed_read_at != run->series_at) run->series_reads = 0;
  run->series_at = run->failed_read_at;
  run->series_reads++;
}

// The attempts of one run: until the job completes, the run has done all it
// can, or max_attempts attempts in a row failed without progress (a failed
// read of a hole's piece is counted by its hole instead).
void run_attempts(Run* run) {
  CopyJob* job = run->job;
  while (run_flags.run.load()) {
    attempt(run);
    // A hole that could not be made (the source gone) ends the run as a
    // series of failed reads always did.
    if (run->skip > 0) run->finished = true;
    const bool completed = job->state.load() == JOB_COMPLETED;
    if (completed || run->finished) break;
    if (job->state.load() == JOB_ERROR) count_failure(run);
    pause_after_failure(run);
    if (run->hole_read_failed) continue;
    if (++run->failed_attempts >= job->param.max_attempts && !plan_skip(run)) break;
  }
}

}  // namespace

uint32_t copy_worker(void* argument) {
  CopyJob* job = static_cast<CopyJob*>(argument);
  if (!job) return 0;
  Run run{job, &file_ops()};
  run.holes = read_holes(job->holes.load());
  set_step(job, STEP_START);
  log_step(job);
  allocate_buffer(&run);
  if (job->param.max_attempts > 0) run_attempts(&run);
  if (run.buffer) run.ops->release(run.buffer);
  if (job->state.load() == JOB_RUNNING) job->state.store(JOB_QUEUED);
  set_step(job, STEP_DONE);
  log_step(job);
  return 0;
}
