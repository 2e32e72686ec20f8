// Files and path look-up on POSIX, for native tests and benchmarks.
#include <errno.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstring>
#include <new>

#include "platform/platform.h"
#include "platform/posix/file_ticks.h"
#include "platform/posix/last_error.h"

namespace platform {

struct File {
  int fd;
};

namespace {

File* wrap(int fd) {
  if (fd < 0) {
    remember_errno();
    return nullptr;
  }
  File* file = new (std::nothrow) File{fd};
  if (file == nullptr) {
    ::close(fd);
    set_last_error(ENOMEM);
  }
  return file;
}

}  // namespace

File* open_source(const char* path) { return wrap(::open(path, O_RDONLY | O_CLOEXEC)); }

// A destination that is continued is also read: its last block is compared
// with the source's before more is appended.
File* open_dest(const char* path, bool create) {
  int flags = O_CLOEXEC | (create ? O_WRONLY | O_CREAT | O_TRUNC : O_RDWR);
  return wrap(::open(path, flags, 0666));
}

bool seek(File* file, int64_t offset) {
  if (::lseek(file->fd, static_cast<off_t>(offset), SEEK_SET) < 0) {
    remember_errno();
    return false;
  }
  return true;
}

bool read(File* file, void* buffer, uint32_t size, uint32_t* got) {
  ssize_t count;
  do {
    count = ::read(file->fd, buffer, size);
  } while (count < 0 && errno == EINTR);
  if (count < 0) {
    remember_errno();
    *got = 0;
    return false;
  }
  *got = static_cast<uint32_t>(count);
  return true;
}

bool write_all(File* file, const void* buffer, uint32_t size, uint32_t* written) {
  const char* bytes = static_cast<const char*>(buffer);
  uint32_t done = 0;
  while (done < size) {
    ssize_t count = ::write(file->fd, bytes + done, size - done);
    if (count < 0 && errno == EINTR) continue;
    if (count <= 0) {
      // A zero-byte write would loop for ever; report it as a full device.
      if (count == 0) errno = ENOSPC;
      remember_errno();
      *written = done;
      return false;
    }
    done += static_cast<uint32_t>(count);
  }
  *written = done;
  return true;
}

namespace {

bool status_of(File* file, struct stat* status) {
  if (::fstat(file->fd, status) == 0) return true;
  remember_errno();
  return false;
}

}  // namespace

bool file_size(File* file, int64_t* size) {
  struct stat status;
  if (!status_of(file, &status)) return false;
  *size = static_cast<int64_t>(status.st_size);
  return true;
}

bool file_time(File* file, int64_t* last_write) {
  struct stat status;
  if (!status_of(file, &status)) return false;
  *last_write = ticks_of(status.st_mtim);
  return true;
}

bool set_file_time(File* file, int64_t last_write) {
  const int64_t since_epoch = last_write - kUnixEpochTicks;
  timespec times[2];
  times[0].tv_sec = 0;
  times[0].tv_nsec = UTIME_OMIT;  // the access time stays
  times[1].tv_sec = static_cast<time_t>(since_epoch / 10000000);
  times[1].tv_nsec = static_cast<long>(since_epoch % 10000000) * 100;
  if (::futimens(file->fd, times) != 0) {
    remember_errno();
    return false;
  }
  return true;
}

bool truncate(File* file, int64_t size) {
  if (::ftruncate(file->fd, static_cast<off_t>(size)) != 0) {
    remember_errno();
    return false;
  }
  return true;
}

bool flush(File* file) {
  if (::fsync(file->fd) != 0) {
    remember_errno();
    return false;
  }
  return true;
}

void close(File* file) {
  if (file == nullptr) return;
  ::close(file->fd);
  delete file;
}

File* lock_file(const char* path) {
  const int fd = ::open(path, O_RDWR | O_CREAT | O_CLOEXEC, 0666);
  if (fd >= 0 && ::flock(fd, LOCK_EX | LOCK_NB) != 0) {
    remember_errno();
    ::close(fd);
    return nullptr;
  }
  return wrap(fd);
}

bool replace_file(const char* from, const char* to) {
  if (::rename(from, to) == 0) return true;
  remember_errno();
  return false;
}

bool missing_file(uint32_t error) { return error == ENOENT || error == ENOTDIR; }

uint32_t out_of_memory_error() { return ENOMEM; }
uint32_t invalid_parameter_error() { return EINVAL; }
uint32_t end_of_file_error() { return ENODATA; }
uint32_t read_fault_error() { return EIO; }

bool flush_unsupported(uint32_t error) { return error == EINVAL || error == ENOTSUP; }

const char* path_separators() { return "/"; }

size_t drive_length(const char*) { return 0; }

std::string absolute_path(const char* path, const char* base) {
  return path[0] == '/' ? std::string(path) : std::string(base) + path;
}

std::string name_key(const std::string& name) {
  std::string key = name;
  for (char& c : key) {
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  }
  return key;
}

// Linux file systems tell names apart by case: the path is its own key.
std::string path_key(const char* path) { return path; }

bool look_up(const char* path, PathInfo* info) {
  struct stat status;
  if (::stat(path, &status) != 0) {
    remember_errno();
    return false;
  }
  info->is_directory = S_ISDIR(status.st_mode);
  info->size = static_cast<int64_t>(status.st_size);
  info->last_write = ticks_of(status.st_mtim);
  const char* slash = std::strrchr(path, '/');
  const char* name = slash != nullptr ? slash + 1 : path;
  std::strncpy(info->name, name, sizeof info->name - 1);
  info->name[sizeof info->name - 1] = '\0';
  return true;
}

}  // namespace platform
