// What one run of the copy worker holds, and the steps its two parts share:
// copying the file from its front (copy_worker.cpp) and reading its holes
// (hole_reader.cpp).
#pragma once

#include <cstdint>
#include <vector>

#include "engine/copy_job.h"
#include "engine/copy_worker.h"
#include "engine/file_ops.h"
#include "engine/hole_map.h"

// A hole as a pass over the holes reads it, and the stretch it lies in:
// holes that follow one another without a gap, one bad area.
struct PassStep {
  Hole hole;
  int32_t stretch;
};

struct Run {
  CopyJob* job;
  const FileOps* ops;
  // The buffer, allocated once, retried at each attempt only while missing.
  void* buffer = nullptr;
  uint32_t buffer_size = 0;     // the size allocated; never the job's live value
  uint32_t buffer_error = 0;    // why there is no buffer
  int32_t failed_attempts = 0;  // in a row, without progress
  int32_t attempts_made = 0;
  int64_t flushed_at = 0;  // counter_now of the last flush while copying
  bool wrote = false;      // this attempt wrote bytes to the destination
  // The run has done all it can (the front reached the end with holes left, a
  // pass over the holes ended, a hole could not be made): no pause follows.
  bool finished = false;
  Holes holes = {};  // the job's map, as this run keeps and publishes it
  bool merge_logged = false;
  // The front: the copy's read that failed in this attempt, the reads that
  // failed in a row at one offset, and the hole they lead to.
  int64_t failed_read_at = -1;
  int64_t series_at = -1;
  int32_t series_reads = 0;
  int64_t skip = 0;       // bytes to make a hole of at the next attempt
  int64_t skip_size = 0;  // doubles while reads keep failing right after a hole
  int64_t last_hole_end = -1;
  // A pass over the holes: its plan, where it has got to, and the failed
  // reads of the stretch of holes there (at most max_attempts a stretch).
  std::vector<PassStep> pass = {};
  bool pass_planned = false;
  size_t pass_at = 0;
  int64_t pass_offset = -1;  // -1: the start of pass[pass_at]
  int32_t stretch = -1;
  int32_t stretch_failures = 0;
  bool hole_read_failed = false;  // this attempt ended on a hole's piece
};

void set_step(CopyJob* job, CopyStep step);
// The job in error with `error`, logged under its current step.
void record_failure(CopyJob* job, uint32_t error);
// A failed write or flush may have taken bytes written before it along with
// the device (a drive pulled, a share dropped) while the file kept its size:
// the next attempt compares the destination before it continues it.
void record_write_failure(CopyJob* job, uint32_t error);
// A failed call of the file layer, recorded under `step`.
void record_call_failure(Run* run, CopyStep step);
// Positions `file` at `offset`; a failure is recorded under `step`.
bool position(Run* run, platform::File* file, int64_t offset, CopyStep step);
// Reads until `size` bytes are in or the file ends; a failure is a failed read.
bool read_block(Run* run, platform::File* file, char* buffer, uint32_t size, uint32_t* got);
// Writes `size` bytes of the buffer; every byte that reached the file is
// passed to `written`, also when the write fails part way.
bool write_buffer(Run* run, platform::File* dest, uint32_t size, uint32_t* written);
// Flushes the destination; once it is on the device (or the file cannot be
// flushed at all), the bytes copied are durable. False when the flush failed:
// the caller records the failure (last_error).
bool flush_durable(Run* run, platform::File* dest);
// Makes the run's holes the job's (its map made at the first hole); says in
// the log, once a run, that the map was full and neighbours were merged.
void publish_holes(Run* run, bool merged);
// The destination carries its source's last-write time, unless it has holes.
void stamp_source_time(Run* run, platform::File* dest);
// At the end of the source: completes the job, or, with holes left, ends the
// run in error with the destination at its full length.
void complete(Run* run, platform::File* dest);
