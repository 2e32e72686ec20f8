// A file layer for the copy worker that passes every call to the platform
// except those a test schedules to fail. Installed for its lifetime.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <mutex>
#include <vector>

#include "engine/file_ops.h"

enum class FaultOp {
  kOpenSource,
  kOpenDest,
  kSeek,
  kRead,
  kWrite,
  kTruncate,
  kFlush,
  kAllocate,
  kSize,
  kTime,
  kStamp,
  kCount
};

class FaultFileOps {
 public:
  // Error code to inject for the `call`-th call (from 1) of `op`; 0 lets it through.
  using Rule = std::function<uint32_t(FaultOp op, int call)>;

  FaultFileOps() {
    active_ = this;
    set_file_ops(&kTable);
  }
  ~FaultFileOps() {
    set_file_ops(nullptr);
    active_ = nullptr;
  }
  FaultFileOps(const FaultFileOps&) = delete;
  FaultFileOps& operator=(const FaultFileOps&) = delete;

  // Set these before a worker runs.
  Rule rule;
  // Called before every call, on the worker's thread (e.g. to clear `run`).
  std::function<void(FaultOp op, int call)> before;
  // Called instead of the pause; the pause takes no time by default.
  std::function<void(uint32_t milliseconds)> on_sleep;
  // Bytes a failing write lets reach the file before it fails.
  std::atomic<uint32_t> short_write{0};
  // The read call (from 1) that succeeds with no bytes, as a redirector's
  // spurious short read does; 0 for none.
  std::atomic<int> empty_read{0};

  // Every read of a source that touches [bad_from, bad_to) fails with EIO's
  // code, as a sector that never reads again; bad_to 0 for none. Set it
  // while no worker runs.
  int64_t bad_from = 0;
  int64_t bad_to = 0;
  uint32_t bad_error = 5;

  int calls(FaultOp op) const { return counts_[static_cast<int>(op)].load(); }
  std::vector<uint32_t> sleeps() {
    std::lock_guard<std::mutex> lock(mutex_);
    return sleeps_;
  }

  // Rules: the `n`-th call of `op` fails; every call of `op` fails.
  static Rule fail_nth(FaultOp op, int n, uint32_t error) {
    return [=](FaultOp o, int call) { return o == op && call == n ? error : 0u; };
  }
  static Rule fail_every(FaultOp op, uint32_t error) {
    return [=](FaultOp o, int) { return o == op ? error : 0u; };
  }

 private:
  // Counts the call and returns the error to inject, 0 for none.
  static uint32_t enter(FaultOp op) {
    FaultFileOps* self = active_;
    int call = ++self->counts_[static_cast<int>(op)];
    if (self->before) self->before(op, call);
    uint32_t error = self->rule ? self->rule(op, call) : 0;
    injected_ = error;
    return error;
  }
  static const FileOps& real() { return platform_file_ops(); }

  static platform::File* open_source(const char* path) {
    if (enter(FaultOp::kOpenSource)) return nullptr;
    platform::File* file = real().open_source(path);
    FaultFileOps* self = active_;
    std::lock_guard<std::mutex> lock(self->mutex_);
    self->source_ = file;
    self->source_at_ = 0;
    return file;
  }
  // True when a read of `size` bytes at the source's position touches the
  // bad range; moves the position past the bytes the read will give.
  static bool touches_bad_range(platform::File* file, uint32_t size) {
    FaultFileOps* self = active_;
    std::lock_guard<std::mutex> lock(self->mutex_);
    if (file != self->source_) return false;
    const int64_t at = self->source_at_;
    return at < self->bad_to && at + size > self->bad_from;
  }
  static void moved(platform::File* file, int64_t to, bool absolute) {
    FaultFileOps* self = active_;
    std::lock_guard<std::mutex> lock(self->mutex_);
    if (file == self->source_) self->source_at_ = absolute ? to : self->source_at_ + to;
  }
  static platform::File* open_dest(const char* path, bool create) {
    return enter(FaultOp::kOpenDest) ? nullptr : real().open_dest(path, create);
  }
  static bool seek(platform::File* file, int64_t offset) {
    if (enter(FaultOp::kSeek) || !real().seek(file, offset)) return false;
    moved(file, offset, true);
    return true;
  }
  static bool read(platform::File* file, void* buffer, uint32_t size, uint32_t* got) {
    *got = 0;
    if (enter(FaultOp::kRead)) return false;
    if (active_.load()->empty_read.load() == active_.load()->calls(FaultOp::kRead)) return true;
    if (touches_bad_range(file, size)) {
      injected_ = active_.load()->bad_error;
      return false;
    }
    const bool ok = real().read(file, buffer, size, got);
    moved(file, *got, false);
    return ok;
  }
  static bool write_all(platform::File* file, const void* buffer, uint32_t size,
                        uint32_t* written) {
    *written = 0;
    uint32_t error = enter(FaultOp::kWrite);
    if (!error) return real().write_all(file, buffer, size, written);
    uint32_t part = active_.load()->short_write.load();
    if (part > size) part = size;
    if (part > 0) real().write_all(file, buffer, part, written);
    injected_ = error;
    return false;
  }
  static bool truncate(platform::File* file, int64_t size) {
    return enter(FaultOp::kTruncate) ? false : real().truncate(file, size);
  }
  static bool flush(platform::File* file) {
    return enter(FaultOp::kFlush) ? false : real().flush(file);
  }
  static uint32_t last_error() { return injected_ ? injected_ : real().last_error(); }
  static void* allocate(size_t size, uint32_t* error) {
    uint32_t injected = enter(FaultOp::kAllocate);
    if (injected) {
      *error = injected;
      return nullptr;
    }
    return real().allocate(size, error);
  }
  static void sleep(uint32_t milliseconds) {
    FaultFileOps* self = active_;
    {
      std::lock_guard<std::mutex> lock(self->mutex_);
      self->sleeps_.push_back(milliseconds);
    }
    if (self->on_sleep) self->on_sleep(milliseconds);
  }

  static void close(platform::File* file) {
    {
      FaultFileOps* self = active_;
      std::lock_guard<std::mutex> lock(self->mutex_);
      if (file == self->source_) self->source_ = nullptr;
    }
    real().close(file);
  }
  static bool file_size(platform::File* file, int64_t* size) {
    return enter(FaultOp::kSize) ? false : real().file_size(file, size);
  }
  static bool file_time(platform::File* file, int64_t* last_write) {
    return enter(FaultOp::kTime) ? false : real().file_time(file, last_write);
  }
  static bool set_file_time(platform::File* file, int64_t last_write) {
    return enter(FaultOp::kStamp) ? false : real().set_file_time(file, last_write);
  }
  static void release(void* buffer) { real().release(buffer); }

  static inline std::atomic<FaultFileOps*> active_{nullptr};
  static inline thread_local uint32_t injected_ = 0;
  static inline const FileOps kTable = {
      open_source, open_dest, seek,    read,  write_all, truncate,  flush,        close,
      last_error,  allocate,  release, sleep, file_size, file_time, set_file_time};

  std::atomic<int> counts_[static_cast<int>(FaultOp::kCount)] = {};
  std::mutex mutex_;
  std::vector<uint32_t> sleeps_;
  platform::File* source_ = nullptr;  // the open source and its position
  int64_t source_at_ = 0;
};
