#include "engine/file_ops.h"

#include <atomic>
#include <cstdlib>

namespace {

void* allocate_buffer(size_t size, uint32_t* error) {
  void* buffer = std::malloc(size);
  if (!buffer) *error = platform::out_of_memory_error();
  return buffer;
}

const FileOps kPlatformOps = {
    platform::open_source, platform::open_dest, platform::seek,
    platform::read,        platform::write_all, platform::truncate,
    platform::flush,       platform::close,     platform::last_error,
    allocate_buffer,       std::free,           platform::pause_ms,
    platform::file_size,   platform::file_time, platform::set_file_time,
};

std::atomic<const FileOps*> current_ops{&kPlatformOps};

}  // namespace

const FileOps& platform_file_ops() { return kPlatformOps; }

const FileOps& file_ops() { return *current_ops.load(); }

void set_file_ops(const FileOps* ops) { current_ops.store(ops ? ops : &kPlatformOps); }
