// Folders on POSIX, for native tests and benchmarks.
#include <dirent.h>
#include <errno.h>
#include <fcntl.h>
#include <sys/stat.h>

#include "platform/platform.h"
#include "platform/posix/file_ticks.h"
#include "platform/posix/last_error.h"

namespace platform {
namespace {

bool is_dot_entry(const char* name) {
  return name[0] == '.' && (name[1] == '\0' || (name[1] == '.' && name[2] == '\0'));
}

// A link to a file is followed; a link to a folder is told apart.
bool entry_of(int folder, const char* name, FolderEntry* entry) {
  struct stat status;
  if (fstatat(folder, name, &status, AT_SYMLINK_NOFOLLOW) != 0) return false;
  const bool link = S_ISLNK(status.st_mode);
  if (link && fstatat(folder, name, &status, 0) != 0) return false;
  entry->name = name;
  entry->unheld = false;
  entry->is_directory = S_ISDIR(status.st_mode);
  entry->elsewhere = link && entry->is_directory;
  entry->size = static_cast<int64_t>(status.st_size);
  entry->last_write = ticks_of(status.st_mtim);
  return true;
}

bool is_folder(const std::string& path) {
  struct stat status;
  return ::stat(path.c_str(), &status) == 0 && S_ISDIR(status.st_mode);
}

}  // namespace

bool list_folder(const char* path, std::vector<FolderEntry>* entries) {
  entries->clear();
  DIR* folder = opendir(path);
  if (folder == nullptr) {
    remember_errno();
    return false;
  }
  while (dirent* found = readdir(folder)) {
    FolderEntry entry;
    if (!is_dot_entry(found->d_name) && entry_of(dirfd(folder), found->d_name, &entry)) {
      entries->push_back(entry);
    }
  }
  closedir(folder);
  return true;
}

bool make_folders(const char* path) {
  std::string folder = path;
  while (folder.size() > 1 && folder.back() == '/') folder.pop_back();
  // Each folder from the top down; those that exist are passed over.
  for (size_t at = folder.find('/', 1);; at = folder.find('/', at + 1)) {
    const std::string part = folder.substr(0, at);
    if (::mkdir(part.c_str(), 0777) != 0 && !(errno == EEXIST && is_folder(part))) {
      remember_errno();
      return false;
    }
    if (at == std::string::npos) return true;
  }
}

}  // namespace platform
