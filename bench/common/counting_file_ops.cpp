#include "bench/common/counting_file_ops.h"

#include <algorithm>
#include <utility>

#include "engine/file_ops.h"

namespace {

CountingFileOps* active = nullptr;
// The source file and the position of its next read; the worker has one open
// at a time.
platform::File* source_file = nullptr;
int64_t source_position = 0;
thread_local uint32_t injected_error = 0;

const FileOps& real() { return platform_file_ops(); }

}  // namespace

// The table's functions, with access to the counters.
struct CountingOpsAccess {
  static platform::File* open_source(const char* path) {
    injected_error = 0;
    active->source_opens_++;
    source_file = real().open_source(path);
    source_position = 0;
    return source_file;
  }
  static bool seek(platform::File* file, int64_t offset) {
    injected_error = 0;
    if (file == source_file) source_position = offset;
    return real().seek(file, offset);
  }
  static bool read(platform::File* file, void* buffer, uint32_t size, uint32_t* got) {
    injected_error = 0;
    if (file == source_file && touches_bad_sector(source_position, size)) {
      active->failed_reads_++;
      injected_error = active->error_;
      *got = 0;
      return false;
    }
    bool ok = real().read(file, buffer, size, got);
    if (file != source_file) return ok;
    active->bytes_read_ += *got;
    const int64_t start = source_position;
    source_position += *got;
    if (!ok || !due(start)) return ok;
    active->next_fault_++;
    active->faults_injected_++;
    injected_error = active->error_;
    *got = 0;
    return false;
  }
  static bool touches_bad_sector(int64_t start, uint32_t size) {
    const std::vector<int64_t>& starts = active->bad_starts_;
    // The last bad sector that starts before the read's end.
    auto after = std::lower_bound(starts.begin(), starts.end(), start + size);
    return after != starts.begin() && *(after - 1) + active->bad_length_ > start;
  }
  static bool due(int64_t start) {
    const auto& offsets = active->fail_offsets_;
    return active->next_fault_ < offsets.size() && offsets[active->next_fault_] == start;
  }
  static void close(platform::File* file) {
    if (file == source_file) source_file = nullptr;
    real().close(file);
  }
  static uint32_t last_error() { return injected_error ? injected_error : real().last_error(); }
};

namespace {

const FileOps kCountingOps = {
    CountingOpsAccess::open_source,
    platform::open_dest,
    CountingOpsAccess::seek,
    CountingOpsAccess::read,
    platform::write_all,
    platform::truncate,
    platform::flush,
    CountingOpsAccess::close,
    CountingOpsAccess::last_error,
    nullptr,
    nullptr,
    nullptr,
    platform::file_size,
    platform::file_time,
    platform::set_file_time,
};

FileOps with_platform_memory_and_sleep() {
  FileOps ops = kCountingOps;
  ops.allocate = real().allocate;
  ops.release = real().release;
  ops.sleep = real().sleep;
  return ops;
}

}  // namespace

CountingFileOps::CountingFileOps(std::vector<int64_t> fail_offsets, uint32_t error)
    : fail_offsets_(std::move(fail_offsets)), error_(error) {
  static const FileOps table = with_platform_memory_and_sleep();
  active = this;
  set_file_ops(&table);
}

CountingFileOps::~CountingFileOps() {
  set_file_ops(nullptr);
  active = nullptr;
}

std::vector<int64_t> spread_offsets(int count, int64_t blocks, int64_t block) {
  std::vector<int64_t> offsets;
  for (int i = 0; i < count; ++i) {
    const int64_t index = (i + 1) * blocks / (count + 1);
    if (index > 0 && (offsets.empty() || index * block > offsets.back())) {
      offsets.push_back(index * block);
    }
  }
  return offsets;
}
