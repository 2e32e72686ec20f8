#include "engine/queue_controller.h"

#include <atomic>

#include "app/text_format.h"
#include "engine/copy_job.h"
#include "engine/copy_worker.h"
#include "engine/run_flags.h"
#include "engine/window_host.h"
#include "res/string_ids.h"

namespace {

// Written and read only on the window thread.
platform::Thread* controller_thread = nullptr;
// The worker the controller waits for, or null. Set and cleared inside calls
// on the window thread, read by close_controller on that thread; atomic for
// hosts whose window thread is not one thread (the tests' in-memory window).
std::atomic<platform::Thread*> running_worker{nullptr};

enum TakeOutcome {
  TAKE_STOPPED,       // `run` was cleared
  TAKE_EMPTY,         // the list has no rows
  TAKE_NO_ROW,        // no row at an index inside the list
  TAKE_NO_JOB,        // the row has no job
  TAKE_NO_THREAD,     // the worker could not be started
  TAKE_STARTED,       // a worker copies the job
  TAKE_ALL_COMPLETE,  // a whole pass found every job complete
};

// The controller's walk over the rows. It advances on the window thread, so
// that Delete cannot free a row between its look-up and its worker's start:
// once a worker is started, its row carries it and counts as busy until the
// walk releases it.
struct Walk {
  int index = 0;
  int complete = 0;  // jobs found complete in this pass
  TakeOutcome outcome = TAKE_STOPPED;
  JobRow* row = nullptr;  // the row whose worker runs, until released
  platform::Thread* worker = nullptr;
};

// Window thread, after the worker has ended: the row is no longer busy.
void release_row(Walk* walk) {
  if (!walk->row) return;
  walk->row->worker_thread.store(nullptr);
  running_worker = nullptr;
  platform::close_thread(walk->worker);
  walk->row->job->worker_started.store(false);
  walk->row = nullptr;
  walk->worker = nullptr;
}

void release_walk_row(void* context) { release_row(static_cast<Walk*>(context)); }

// Starts the worker for the row's job; false when no thread can be made.
bool start_worker(Walk* walk, JobRow* row) {
  row->job->worker_started.store(true);
  platform::Thread* worker = platform::start_thread(copy_worker, row->job);
  if (!worker) {
    row->job->worker_started.store(false);
    return false;
  }
  row->worker_thread.store(worker);
  running_worker = worker;
  walk->row = row;
  walk->worker = worker;
  return true;
}

// Window thread: goes from row to row, asking the list afresh for each, until
// it has started a worker, the queue has ended, or an inconsistency is met.
// Complete jobs are counted on the way in the same call: each call from
// another thread into the window thread costs far more than a row, and the
// list cannot change during it.
void advance_walk(void* context) {
  Walk* walk = static_cast<Walk*>(context);
  const WindowHost* host = window_host();
  while (run_flags.run.load()) {
    const int row_count = host->row_count();
    if (row_count <= 0) {
      walk->outcome = TAKE_EMPTY;
      return;
    }
    if (walk->index >= row_count) {
      // Rows deleted during the run, an ordinary Delete: the pass has ended.
      walk->index = 0;
      walk->complete = 0;
      continue;
    }
    JobRow* row = host->row_record(walk->index);
    if (!row || !row->job) {
      walk->outcome = row ? TAKE_NO_JOB : TAKE_NO_ROW;
      return;
    }
    const bool to_copy = row->job->state.load() != JOB_COMPLETED;
    if (to_copy && !start_worker(walk, row)) {
      walk->outcome = TAKE_NO_THREAD;
      return;
    }
    if (!to_copy) walk->complete++;
    // A whole pass without a job to copy: done.
    if (walk->complete >= row_count) {
      walk->outcome = TAKE_ALL_COMPLETE;
      return;
    }
    if (++walk->index == row_count) {
      walk->index = 0;
      walk->complete = 0;
    }
    if (to_copy) {
      walk->outcome = TAKE_STARTED;
      return;
    }
  }
  walk->outcome = TAKE_STOPPED;
}

void set_buttons(void* context) {
  if (run_flags.closing.load()) return;
  window_host()->enable_buttons(*static_cast<bool*>(context));
}

void enable_buttons(const WindowHost* host, bool enabled) {
  host->run_on_window_thread(set_buttons, &enabled);
}

// The inconsistencies the controller meets end it with a "BUG" box; none is
// shown once the window is being destroyed.
void report_bug(const WindowHost* host, TakeOutcome outcome) {
  const unsigned id = outcome == TAKE_NO_ROW      ? unsigned{IDS_BUG_NO_ROW}
                      : outcome == TAKE_NO_JOB    ? unsigned{IDS_BUG_NO_JOB}
                      : outcome == TAKE_NO_THREAD ? unsigned{IDS_BUG_NO_THREAD}
                                                  : 0u;
  if (id == 0 || run_flags.closing.load()) return;
  char text[kTextCapacity];
  load_text(text, id, kTextCapacity);
  host->show_bug(text);
}

// Walks the rows pass after pass until a pass finds every job complete,
// `run` is cleared, or an inconsistency ends it.
void walk_queue(const WindowHost* host) {
  Walk walk;
  for (;;) {
    // A call that does not run (the window is gone) ends the walk.
    walk.outcome = TAKE_STOPPED;
    host->run_on_window_thread(advance_walk, &walk);
    if (walk.outcome != TAKE_STARTED) break;
    platform::wait_thread(walk.worker);
    // A call of its own, so that a Delete can come between the release and
    // the next take, as between any two rows.
    host->run_on_window_thread(release_walk_row, &walk);
  }
  report_bug(host, walk.outcome);
}

}  // namespace

uint32_t queue_controller(void*) {
  const WindowHost* host = window_host();
  if (!host) return 0;
  // A copy under way keeps the system from going to sleep.
  platform::keep_system_awake(true);
  enable_buttons(host, false);
  walk_queue(host);
  enable_buttons(host, true);
  platform::keep_system_awake(false);
  return 0;
}

bool controller_running() {
  return controller_thread && platform::thread_running(controller_thread);
}

void start_controller() {
  if (controller_running()) return;
  if (controller_thread) platform::close_thread(controller_thread);
  run_flags.run.store(true);
  run_flags.log_enabled.store(true);
  controller_thread = platform::start_thread(queue_controller, nullptr);
}

namespace {

bool wait_for_controller(uint32_t limit_ms) {
  const WindowHost* host = window_host();
  if (host) return host->wait_serving(controller_thread, limit_ms);
  return platform::wait_thread_for(controller_thread, limit_ms);
}

}  // namespace

void stop_controller(bool wait, bool close, bool log_value) {
  if (controller_running()) {
    run_flags.run.store(false);
    run_flags.log_enabled.store(log_value);
    if (wait) wait_for_controller(kWaitForever);
  }
  // The handle of a controller that has already ended is released too, so
  // that window destruction never leaves it behind.
  if (close && controller_thread) {
    platform::close_thread(controller_thread);
    controller_thread = nullptr;
  }
}

bool close_controller(uint32_t limit_ms) {
  constexpr uint32_t kCancelEvery = 50;
  platform::interrupt_pauses(true);
  bool ended = !controller_running();
  if (!ended) {
    run_flags.run.store(false);
    run_flags.log_enabled.store(false);
  }
  // A cancel reaches only the read or write under way: repeat it while
  // waiting, for one that starts just after.
  for (uint32_t waited = 0; !ended && waited < limit_ms; waited += kCancelEvery) {
    platform::Thread* worker = running_worker.load();
    if (worker) platform::cancel_io(worker);
    ended = wait_for_controller(kCancelEvery);
  }
  // A controller that has not ended is left to the end of the process.
  if (controller_thread) platform::close_thread(controller_thread);
  controller_thread = nullptr;
  return ended;
}

void stop_button() { stop_controller(false, false, true); }

void reset_controller() {
  if (controller_thread && !controller_running()) platform::close_thread(controller_thread);
  controller_thread = nullptr;
  run_flags.run.store(false);
  run_flags.log_enabled.store(false);
  run_flags.closing.store(false);
  platform::interrupt_pauses(false);
}
