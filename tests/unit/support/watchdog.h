// Ends the test program with a message when a test runs far longer than it
// ever should, so that a deadlock fails the run instead of hanging it.
#pragma once

#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <thread>

class Watchdog {
 public:
  explicit Watchdog(std::chrono::seconds limit) : thread_([this, limit] { watch(limit); }) {}
  ~Watchdog() {
    {
      std::lock_guard<std::mutex> lock(mutex_);
      done_ = true;
    }
    wake_.notify_all();
    thread_.join();
  }

 private:
  void watch(std::chrono::seconds limit) {
    std::unique_lock<std::mutex> lock(mutex_);
    if (!wake_.wait_for(lock, limit, [this] { return done_; })) {
      std::fprintf(stderr, "watchdog: the test did not finish in %d s (hung?)\n",
                   static_cast<int>(limit.count()));
      std::abort();
    }
  }

  std::mutex mutex_;
  std::condition_variable wake_;
  bool done_ = false;
  std::thread thread_;
};

// Polls `condition` until it holds; false after `limit` (a hang, not slowness).
template <class Condition>
bool wait_until(Condition condition, std::chrono::seconds limit = std::chrono::seconds(60)) {
  auto deadline = std::chrono::steady_clock::now() + limit;
  while (!condition()) {
    if (std::chrono::steady_clock::now() > deadline) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  return true;
}
