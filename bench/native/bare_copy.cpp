#include "bench/native/bare_copy.h"

#include <fcntl.h>
#include <unistd.h>

#include <cstdlib>

namespace {

bool write_all(int fd, const char* bytes, size_t size) {
  while (size > 0) {
    const ssize_t count = ::write(fd, bytes, size);
    if (count <= 0) return false;
    bytes += count;
    size -= static_cast<size_t>(count);
  }
  return true;
}

bool copy_fds(int in, int out, char* buffer, size_t buffer_size) {
  for (;;) {
    const ssize_t got = ::read(in, buffer, buffer_size);
    if (got < 0) return false;
    if (got == 0) return true;
    if (!write_all(out, buffer, static_cast<size_t>(got))) return false;
  }
}

}  // namespace

bool bare_copy(const char* source, const char* dest, size_t buffer_size) {
  const int in = ::open(source, O_RDONLY | O_CLOEXEC);
  const int out = ::open(dest, O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
  char* buffer = static_cast<char*>(std::malloc(buffer_size));
  const bool ok = in >= 0 && out >= 0 && buffer && copy_fds(in, out, buffer, buffer_size);
  std::free(buffer);
  if (in >= 0) ::close(in);
  if (out >= 0) ::close(out);
  return ok;
}
