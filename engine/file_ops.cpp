#include "engine/file_ops.h"

#include <atomic>
#include <cerrno>
#include <cstdlib>

namespace {

void* allocate_buffer(size_t size, uint32_t* error) {
  void* buffer = std::malloc(size);
  if (!buffer) *error = out_of_memory_error();
  return buffer;
}

const FileOps kPlatformOps = {
    platform::open_source, platform::open_dest, platform::seek,     platform::read,
    platform::write_all,   platform::flush,     platform::close,    platform::last_error,
    allocate_buffer,       std::free,           platform::sleep_ms, platform::file_size,
};

std::atomic<const FileOps*> current_ops{&kPlatformOps};

}  // namespace

const FileOps& platform_file_ops() { return kPlatformOps; }

const FileOps& file_ops() { return *current_ops.load(); }

void set_file_ops(const FileOps* ops) { current_ops.store(ops ? ops : &kPlatformOps); }

// The values of ERROR_NOT_ENOUGH_MEMORY and ERROR_INVALID_PARAMETER, spelled
// out so that the engine stays free of <windows.h>.
uint32_t out_of_memory_error() {
#ifdef _WIN32
  return 8;
#else
  return ENOMEM;
#endif
}

// ERROR_HANDLE_EOF on Windows.
uint32_t source_shrank_error() {
#ifdef _WIN32
  return 38;
#else
  return ENODATA;
#endif
}

uint32_t invalid_parameter_error() {
#ifdef _WIN32
  return 87;
#else
  return EINVAL;
#endif
}
