// Threads, clocks and the executable's path on POSIX.
#include <pthread.h>
#include <time.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <new>

#include "platform/platform.h"
#include "platform/posix/last_error.h"

namespace platform {

namespace {
thread_local uint32_t t_last_error = 0;
}  // namespace

void set_last_error(uint32_t code) { t_last_error = code; }
uint32_t last_error() { return t_last_error; }

struct Thread {
  pthread_t id;
  ThreadRoutine routine;
  void* argument;
  std::atomic<bool> finished{false};
  // The handle and the running thread each hold a reference; the last to let
  // go frees the record, so a handle may be closed while its thread still runs.
  std::atomic<int> references{2};
  bool joined = false;
};

namespace {

void release(Thread* thread) {
  if (thread->references.fetch_sub(1, std::memory_order_acq_rel) == 1) delete thread;
}

void* thread_main(void* raw) {
  Thread* thread = static_cast<Thread*>(raw);
  thread->routine(thread->argument);
  thread->finished.store(true, std::memory_order_release);
  release(thread);
  return nullptr;
}

}  // namespace

Thread* start_thread(ThreadRoutine routine, void* argument) {
  Thread* thread = new (std::nothrow) Thread;
  if (thread == nullptr) return nullptr;
  thread->routine = routine;
  thread->argument = argument;
  if (pthread_create(&thread->id, nullptr, thread_main, thread) != 0) {
    delete thread;
    return nullptr;
  }
  return thread;
}

bool thread_running(Thread* thread) {
  return thread != nullptr && !thread->finished.load(std::memory_order_acquire);
}

void wait_thread(Thread* thread) {
  if (thread == nullptr || thread->joined) return;
  pthread_join(thread->id, nullptr);
  thread->joined = true;
}

namespace {

void nap_ms(uint32_t milliseconds) {
  struct timespec pause = {static_cast<time_t>(milliseconds / 1000),
                           static_cast<long>(milliseconds % 1000) * 1000000};
  while (nanosleep(&pause, &pause) != 0) {
  }
}

}  // namespace

bool wait_thread_for(Thread* thread, uint32_t limit_ms) {
  if (thread == nullptr) return true;
  // pthread has no timed join: look at the thread's end every millisecond.
  for (uint32_t waited = 0; !thread->finished.load(std::memory_order_acquire); ++waited) {
    if (waited >= limit_ms) return false;
    nap_ms(1);
  }
  wait_thread(thread);
  return true;
}

void close_thread(Thread* thread) {
  if (thread == nullptr) return;
  // Without a wait the thread is left to end on its own, as it would be after
  // a Windows thread handle is closed.
  if (!thread->joined) pthread_detach(thread->id);
  release(thread);
}

// Natively nothing needs it: reads and writes here do not block for ever.
bool cancel_io(Thread*) { return false; }

void keep_system_awake(bool) {}

LocalTime local_time() {
  time_t now = time(nullptr);
  struct tm parts;
  localtime_r(&now, &parts);
  return LocalTime{parts.tm_hour, parts.tm_min, parts.tm_sec};
}

int64_t counter_now() {
  struct timespec now;
  clock_gettime(CLOCK_MONOTONIC, &now);
  return static_cast<int64_t>(now.tv_sec) * 1000000000 + now.tv_nsec;
}

int64_t counter_frequency() { return 1000000000; }


namespace {

std::mutex pause_lock;
std::condition_variable pause_wake;
bool pauses_interrupted = false;

}  // namespace

void pause_ms(uint32_t milliseconds) {
  std::unique_lock<std::mutex> lock(pause_lock);
  pause_wake.wait_for(lock, std::chrono::milliseconds(milliseconds),
                      [] { return pauses_interrupted; });
}

void interrupt_pauses(bool interrupted) {
  {
    std::lock_guard<std::mutex> lock(pause_lock);
    pauses_interrupted = interrupted;
  }
  pause_wake.notify_all();
}

bool executable_path(char* out, size_t capacity) {
  if (capacity == 0) return false;
  ssize_t length = readlink("/proc/self/exe", out, capacity);
  if (length <= 0 || static_cast<size_t>(length) >= capacity) return false;
  out[length] = '\0';
  return true;
}

}  // namespace platform
