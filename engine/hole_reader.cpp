#include "engine/hole_reader.h"

#include <algorithm>

#include "engine/activity_log.h"
#include "engine/run_flags.h"

namespace {

// The order of a pass: stretch by stretch, and in each the holes tried
// fewest times first, the coarsest first among them (never tried at all),
// then by offset. Sectors that keep failing take turns from pass to pass, and
// none keeps the rest of its stretch from being read.
void plan_pass(Run* run) {
  run->pass.clear();
  int32_t stretch = 0;
  for (size_t i = 0; i < run->holes.size(); ++i) {
    if (i > 0 && run->holes[i - 1].end() != run->holes[i].offset) stretch++;
    run->pass.push_back({run->holes[i], stretch});
  }
  const auto sooner = [](const PassStep& a, const PassStep& b) {
    if (a.stretch != b.stretch) return a.stretch < b.stretch;
    if (a.hole.tries != b.hole.tries) return a.hole.tries < b.hole.tries;
    if (a.hole.grain != b.hole.grain) return a.hole.grain > b.hole.grain;
    return a.hole.offset < b.hole.offset;
  };
  std::sort(run->pass.begin(), run->pass.end(), sooner);
  run->pass_planned = true;
}

// The pass goes on with the next stretch.
void leave_stretch(Run* run) {
  while (run->pass_at < run->pass.size() && run->pass[run->pass_at].stretch == run->stretch) {
    run->pass_at++;
  }
  run->pass_offset = -1;
}

// A piece that did not read: it is tried next in finer pieces, or counted
// one more try, and the pass moves on; after max_attempts failures the rest
// of the stretch waits for the next pass.
void piece_failed(Run* run, int64_t at, int64_t size) {
  const bool merged = refine_range(&run->holes, at, size);
  run->pass_offset = at + size;
  if (++run->stretch_failures >= run->job->param.max_attempts) leave_stretch(run);
  run->hole_read_failed = true;
  publish_holes(run, merged);
}

// Reads the piece of `hole` where the pass has got to and writes it where it
// belongs.
// False when the attempt ends (a failure recorded).
bool read_piece(Run* run, platform::File* source, platform::File* dest, const Hole& hole) {
  CopyJob* job = run->job;
  set_step(job, STEP_READ);
  if (!run->buffer) {
    record_failure(job, run->buffer_error);
    return false;
  }
  const int64_t at = run->pass_offset;
  const uint32_t size = static_cast<uint32_t>(
      std::min({hole.grain, hole.end() - at, static_cast<int64_t>(run->buffer_size)}));
  if (!position(run, source, at, STEP_SEEK_SOURCE)) return false;
  uint32_t got = 0;
  if (!read_block(run, source, static_cast<char*>(run->buffer), size, &got)) {
    piece_failed(run, at, size);
    return false;
  }
  if (got < size) {  // the source's size was checked at its open: a short read
    record_failure(job, platform::read_fault_error());
    piece_failed(run, at, size);
    return false;
  }
  uint32_t written = 0;
  if (!position(run, dest, at, STEP_SEEK_DEST)) return false;
  const bool ok = write_buffer(run, dest, size, &written);
  run->wrote = run->wrote || written > 0;
  if (!ok) return false;
  // On the device before the map says so: the queue's journal records it.
  if (!flush_durable(run, dest)) {
    record_write_failure(job, run->ops->last_error());
    return false;
  }
  fill_range(&run->holes, at, size);
  publish_holes(run, false);
  run->pass_offset = at + size;
  run->failed_attempts = 0;
  return true;
}

}  // namespace

bool plan_skip(Run* run) {
  const CopyJob* job = run->job;
  if (run->series_reads < job->param.max_attempts) return false;
  if (run->series_at != job->bytes_copied.load() || run->buffer_size == 0) return false;
  run->skip_size = run->series_at == run->last_hole_end ? run->skip_size * 2 : run->buffer_size;
  run->skip = run->skip_size;
  run->series_reads = 0;
  run->failed_attempts = 0;
  return true;
}

bool skip_hole(Run* run, platform::File* source, int64_t* offset) {
  CopyJob* job = run->job;
  const int64_t from = *offset;
  const int64_t to = std::max(from, std::min(from + run->skip, job->total_size.load()));
  run->skip = 0;
  if (to == from) return true;  // the source ends here now
  if (!position(run, source, to, STEP_SEEK_SOURCE)) return false;
  // The block the reads failed at was tried at the buffer's size: its next
  // reads are finer. The rest of a longer skip has not been tried at all.
  const int64_t tried = std::min<int64_t>(to - from, run->buffer_size);
  bool merged = add_hole(&run->holes, from, tried, finer_grain(run->buffer_size));
  if (to - from > tried)
    merged |= add_hole(&run->holes, from + tried, to - from - tried, run->buffer_size);
  publish_holes(run, merged);
  job->step_values[0] = from;
  job->step_values[1] = to - 1;
  set_step(job, STEP_HOLE_MADE);
  log_step(job);
  // The bytes before the hole were flushed before its reads began to fail;
  // a hole holds nothing to flush.
  if (job->bytes_durable.load() == from) job->bytes_durable.store(to);
  job->bytes_copied.store(to);
  run->last_hole_end = to;
  *offset = to;
  return true;
}

bool reading_holes(const Run& run) {
  return !run.holes.empty() && run.job->bytes_copied.load() >= run.job->total_size.load();
}

void read_holes_pass(Run* run, platform::File* source, platform::File* dest) {
  if (!run->pass_planned) plan_pass(run);
  while (run_flags.run.load()) {
    if (run->pass_at >= run->pass.size()) {
      complete(run, dest);
      return;
    }
    const PassStep& step = run->pass[run->pass_at];
    if (step.stretch != run->stretch) {
      run->stretch = step.stretch;
      run->stretch_failures = 0;
    }
    if (run->pass_offset < 0) run->pass_offset = step.hole.offset;
    if (run->pass_offset >= step.hole.end()) {
      run->pass_at++;
      run->pass_offset = -1;
      continue;
    }
    if (!read_piece(run, source, dest, step.hole)) return;
  }
}
