#include "engine/activity_log.h"

#include <cstdlib>

#include "app/text_format.h"
#include "engine/copy_job.h"
#include "engine/copy_worker.h"
#include "engine/run_flags.h"
#include "engine/window_host.h"
#include "res/string_ids.h"

namespace {

constexpr int kMaxLines = 2;

// The lines of one call, formatted on the worker's thread and handed to the
// window thread in one go.
struct Lines {
  char* text[kMaxLines] = {};
  int count = 0;
};

char* empty_line() { return alloc_format("%s", ""); }

void add(Lines* lines, char* text) {
  if (text && lines->count < kMaxLines) lines->text[lines->count++] = text;
}

// The announcement of a failed positioning, read or write, then the error.
void add_failure(Lines* lines, unsigned id, const CopyJob* job, const char* stamp) {
  add(lines, format_text(id, stamp));
  add(lines, format_text(IDS_LOG_ERROR, stamp, static_cast<int>(job->last_error.load())));
}

// The steps whose line is their text after the time stamp, nothing more.
struct PlainLine {
  CopyStep step;
  unsigned id;
};
constexpr PlainLine kPlainLines[] = {
    {STEP_START, IDS_LOG_START},
    {STEP_COPY, IDS_LOG_COPYING},
    {STEP_DEST_DIFFERS, IDS_LOG_DEST_DIFFERS},
    {STEP_SOURCE_CHANGED, IDS_LOG_SOURCE_CHANGED},
    {STEP_DEST_STALE, IDS_LOG_DEST_STALE},
};

void make_lines(const CopyJob* job, const char* stamp, Lines* lines) {
  const int32_t step = job->step.load();
  for (const PlainLine& plain : kPlainLines) {
    if (plain.step == step) {
      add(lines, format_text(plain.id, stamp));
      return;
    }
  }
  bool error = job->state.load() == JOB_ERROR;
  int error_code = static_cast<int>(job->last_error.load());
  switch (step) {
    case STEP_DONE:
      add(lines, format_text(IDS_LOG_DONE, stamp));
      add(lines, empty_line());
      break;
    case STEP_OPEN_SOURCE:
      add(lines, error ? format_text(IDS_LOG_ERROR, stamp, error_code)
                       : format_text(IDS_LOG_OPEN_SOURCE, stamp, job->source_path));
      break;
    case STEP_OPEN_DEST:
      add(lines, error ? format_text(IDS_LOG_ERROR, stamp, error_code)
                       : format_text(IDS_LOG_OPEN_DEST, stamp, job->dest_path));
      break;
    case STEP_SEEK_SOURCE:
    case STEP_SEEK_DEST:
      if (error) add_failure(lines, IDS_LOG_SEEK, job, stamp);
      break;
    case STEP_READ:
      if (error) add_failure(lines, IDS_LOG_READ, job, stamp);
      break;
    case STEP_WRITE:
      if (error) add_failure(lines, IDS_LOG_WRITE, job, stamp);
      break;
    case STEP_DEST_SHORT:
      add(lines, format_text(IDS_LOG_DEST_SHORT, stamp, job->bytes_copied.load()));
      break;
    case STEP_HOLE_MADE:
      add(lines, format_text(IDS_LOG_HOLE_MADE, stamp, job->step_values[0], job->step_values[1]));
      break;
    case STEP_HOLES_LEFT:
      add(lines, format_text(IDS_LOG_HOLES_LEFT, stamp, job->step_values[0],
                             static_cast<int>(job->step_values[1])));
      break;
    case STEP_HOLES_MERGED:
      add(lines, format_text(IDS_LOG_HOLES_MERGED, stamp, static_cast<int>(job->step_values[0])));
      break;
    case STEP_WAIT:
      add(lines, format_text(IDS_LOG_WAIT, stamp, static_cast<int>(job->param.retry_timeout)));
      break;
    default:
      break;
  }
}

// Runs on the window thread. `closing` is tested here again: once the
// window thread has set it, nothing more reaches the window.
void append_lines(void* context) {
  const Lines* lines = static_cast<const Lines*>(context);
  if (run_flags.closing.load()) return;
  const WindowHost* host = window_host();
  for (int i = 0; i < lines->count; ++i) host->add_log_line(lines->text[i]);
  if (host->autoscroll()) host->set_log_top_line(host->log_line_count() - 1);
}

// "[hh:mm:ss]" of the time now; malloc'd, null when out of memory.
char* time_stamp() {
  const platform::LocalTime now = platform::local_time();
  return format_text(IDS_LOG_STAMP, now.hour, now.minute, now.second);
}

}  // namespace

void log_step(const CopyJob* job) {
  char* stamp = time_stamp();
  const WindowHost* host = window_host();
  if (stamp && host && run_flags.log_enabled.load() && !run_flags.closing.load()) {
    Lines lines;
    make_lines(job, stamp, &lines);
    if (lines.count > 0) {
      host->run_on_window_thread(append_lines, &lines);
    } else {
      // A step without a line still brings the newest line into view, but
      // without waiting for the window thread: under Wine a call into it
      // costs far more than the step.
      host->show_newest_log_line();
    }
    for (int i = 0; i < lines.count; ++i) std::free(lines.text[i]);
  }
  std::free(stamp);
}

void log_event(unsigned id, int value) {
  char* stamp = time_stamp();
  const WindowHost* host = window_host();
  char* text = stamp != nullptr ? format_text(id, stamp, value) : nullptr;
  if (text != nullptr && host != nullptr) {
    Lines lines;
    add(&lines, text);
    append_lines(&lines);
  }
  std::free(text);
  std::free(stamp);
}
