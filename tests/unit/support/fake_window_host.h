// An in-memory main window for the engine's tests. A mutex stands for the
// window thread: run_on_window_thread runs the call under it, and a test that
// acts as the window (adding or deleting rows) does so through on_window.
// Calls that belong on the window thread but arrive outside it are counted.
#pragma once

#include <atomic>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "engine/window_host.h"

class FakeWindowHost {
 public:
  FakeWindowHost() {
    active_ = this;
    set_window_host(&kTable);
  }
  ~FakeWindowHost() {
    set_window_host(nullptr);
    active_ = nullptr;
  }
  FakeWindowHost(const FakeWindowHost&) = delete;
  FakeWindowHost& operator=(const FakeWindowHost&) = delete;

  void run_on_window_thread(void (*fn)(void* context), void* context) {
    std::lock_guard<std::recursive_mutex> lock(window_);
    std::thread::id outer = owner_.exchange(std::this_thread::get_id());
    fn(context);
    owner_.store(outer);
  }
  // Runs `action` as the window thread would.
  template <class Action>
  void on_window(Action action) {
    std::lock_guard<std::recursive_mutex> lock(window_);
    std::thread::id outer = owner_.exchange(std::this_thread::get_id());
    action();
    owner_.store(outer);
  }

  int row_count() {
    check_window_thread();
    return static_cast<int>(rows.size());
  }
  JobRow* row_record(int index) {
    check_window_thread();
    row_queries++;
    if (index < 0 || index >= static_cast<int>(rows.size())) return nullptr;
    return rows[static_cast<size_t>(index)];
  }
  void enable_buttons(bool enabled) {
    check_window_thread();
    button_changes.push_back(enabled);
  }
  void add_log_line(const char* line) {
    check_window_thread();
    log_lines.push_back(line);
  }
  int log_line_count() {
    check_window_thread();
    return static_cast<int>(log_lines.size());
  }
  void set_log_top_line(int index) {
    check_window_thread();
    top_line = index;
    top_line_calls++;
  }
  bool autoscroll() { return autoscroll_on; }
  // As the main window serves it: on the window thread, later.
  void show_newest_log_line() {
    on_window([this] {
      if (autoscroll()) set_log_top_line(log_line_count() - 1);
    });
  }

  void show_bug(const char* text) {
    std::lock_guard<std::recursive_mutex> lock(window_);
    bugs.push_back(text);
  }
  bool wait_serving(platform::Thread* thread, uint32_t limit_ms) {
    return platform::wait_thread_for(thread, limit_ms);
  }

  // Copies taken as the window thread.
  std::vector<std::string> lines() {
    std::lock_guard<std::recursive_mutex> lock(window_);
    return log_lines;
  }
  std::vector<std::string> bug_texts() {
    std::lock_guard<std::recursive_mutex> lock(window_);
    return bugs;
  }
  std::vector<bool> buttons() {
    std::lock_guard<std::recursive_mutex> lock(window_);
    return button_changes;
  }

  // Window-thread state: touch it only inside on_window (or before any
  // other thread runs).
  std::vector<JobRow*> rows;
  std::vector<std::string> log_lines;
  std::vector<bool> button_changes;
  std::vector<std::string> bugs;
  int top_line = -1;
  int top_line_calls = 0;
  int row_queries = 0;
  std::atomic<bool> autoscroll_on{true};
  std::atomic<int> wrong_thread_calls{0};

 private:
  void check_window_thread() {
    if (owner_.load() != std::this_thread::get_id()) wrong_thread_calls++;
  }

  std::recursive_mutex window_;
  std::atomic<std::thread::id> owner_{};

  // The host the test has made, for the engine's table.
  static inline FakeWindowHost* active_ = nullptr;
  static const WindowHost kTable;
};

// The engine's table, calling the host the test has made.
inline const WindowHost FakeWindowHost::kTable = {
    [](void (*fn)(void*), void* context) { active_->run_on_window_thread(fn, context); },
    [] { return active_->row_count(); },
    [](int index) { return active_->row_record(index); },
    [](bool enabled) { active_->enable_buttons(enabled); },
    [](const char* line) { active_->add_log_line(line); },
    [] { return active_->log_line_count(); },
    [](int index) { active_->set_log_top_line(index); },
    [] { return active_->autoscroll(); },
    [] { active_->show_newest_log_line(); },
    [](const char* text) { active_->show_bug(text); },
    [](platform::Thread* thread, uint32_t limit_ms) {
      return active_->wait_serving(thread, limit_ms);
    },
};
