#include "engine/queue_controller.h"

#include <atomic>

#include "engine/copy_job.h"
#include "engine/copy_worker.h"
#include "engine/run_flags.h"
#include "engine/window_host.h"

namespace {

// Written and read only on the window thread.
platform::Thread* controller_thread = nullptr;
// The worker the controller waits for, or null. Set and cleared inside calls
// on the window thread, read by close_controller on that thread; atomic for
// hosts whose window thread is not one thread (the tests' in-memory window).
std::atomic<platform::Thread*> running_worker{nullptr};

enum TakeOutcome {
  TAKE_STOPPED,    // `run` was cleared before the row was taken
  TAKE_EMPTY,      // the list has no rows
  TAKE_PAST_END,   // rows were deleted: the index lies beyond the last row
  TAKE_NO_ROW,     // no row at an index inside the list
  TAKE_NO_JOB,     // the row has no job
  TAKE_COMPLETED,  // the job is complete; no worker
  TAKE_NO_THREAD,  // the worker could not be started
  TAKE_STARTED,    // a worker copies the job
};

// One visit of a row. Looking the row up and starting its worker happen in one
// call on the window thread, so Delete cannot free the row in between: once
// the call returns, the row carries its worker and counts as busy.
struct Take {
  int index;
  int row_count = 0;
  TakeOutcome outcome = TAKE_STOPPED;
  JobRow* row = nullptr;
  platform::Thread* worker = nullptr;
};

void take_row(void* context) {
  Take* take = static_cast<Take*>(context);
  if (!run_flags.run.load()) return;
  WindowHost* host = window_host();
  take->row_count = host->row_count();
  if (take->row_count <= 0) {
    take->outcome = TAKE_EMPTY;
    return;
  }
  if (take->index >= take->row_count) {
    take->outcome = TAKE_PAST_END;
    return;
  }
  JobRow* row = host->row_record(take->index);
  if (!row) {
    take->outcome = TAKE_NO_ROW;
  } else if (!row->job) {
    take->outcome = TAKE_NO_JOB;
  } else if (row->job->state.load() == JOB_COMPLETED) {
    take->outcome = TAKE_COMPLETED;
  } else {
    row->job->worker_started.store(true);
    platform::Thread* worker = platform::start_thread(copy_worker, row->job);
    if (!worker) {
      row->job->worker_started.store(false);
      take->outcome = TAKE_NO_THREAD;
      return;
    }
    row->worker_thread.store(worker);
    running_worker = worker;
    take->row = row;
    take->worker = worker;
    take->outcome = TAKE_STARTED;
  }
}

// Window thread, after the worker has ended: the row is no longer busy.
void release_row(void* context) {
  Take* take = static_cast<Take*>(context);
  take->row->worker_thread.store(nullptr);
  running_worker = nullptr;
  platform::close_thread(take->worker);
  take->row->job->worker_started.store(false);
}

void set_buttons(void* context) {
  if (run_flags.closing.load()) return;
  window_host()->enable_buttons(*static_cast<bool*>(context));
}

void enable_buttons(WindowHost* host, bool enabled) {
  host->run_on_window_thread(set_buttons, &enabled);
}

// The inconsistencies the controller meets end it with a "BUG" box; none is
// shown once the window is being destroyed.
void report_bug(WindowHost* host, TakeOutcome outcome) {
  const char* text = nullptr;
  if (outcome == TAKE_NO_ROW) text = "Incredible error: CONTROLLER_N01";
  if (outcome == TAKE_NO_JOB) text = "Incredible error: CONTROLLER_N02";
  if (outcome == TAKE_NO_THREAD) text = "Incredible error: CONTROLLER_N03";
  if (text && !run_flags.closing.load()) host->show_bug(text);
}

// Walks the rows pass after pass until a pass finds every job complete,
// `run` is cleared, or an inconsistency ends it.
void walk_queue(WindowHost* host) {
  int index = 0;
  int complete = 0;
  while (run_flags.run.load()) {
    Take take{index};
    host->run_on_window_thread(take_row, &take);
    switch (take.outcome) {
      case TAKE_PAST_END:
        // An ordinary Delete during the run: the pass has ended.
        index = 0;
        complete = 0;
        continue;
      case TAKE_COMPLETED:
        complete++;
        break;
      case TAKE_STARTED:
        platform::wait_thread(take.worker);
        host->run_on_window_thread(release_row, &take);
        break;
      default:
        report_bug(host, take.outcome);
        return;
    }
    // A whole pass without a job to copy: done.
    if (complete >= take.row_count) return;
    if (++index == take.row_count) {
      index = 0;
      complete = 0;
    }
  }
}

}  // namespace

uint32_t queue_controller(void*) {
  WindowHost* host = window_host();
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
  WindowHost* host = window_host();
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
