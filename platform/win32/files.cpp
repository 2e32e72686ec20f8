// Files and path look-up through the wide calls of the Win32 API: paths
// come in the program's code page and reach the system in UTF-16, absolute
// ones with the prefix that lifts the limit of 260 characters.
#include <windows.h>

#include <cstring>
#include <cwchar>
#include <vector>

#include "platform/platform.h"
#include "platform/win32/file_ticks.h"
#include "platform/win32/wide_text.h"

namespace platform {
namespace {

HANDLE handle_of(File* file) { return reinterpret_cast<HANDLE>(file); }

File* file_of(HANDLE handle) {
  return handle == INVALID_HANDLE_VALUE ? nullptr : reinterpret_cast<File*>(handle);
}

bool is_separator(char c) { return c == '\\' || c == '/'; }

const char* after_separator(const char* path) {
  const char* name = path;
  for (const char* at = path; *at != '\0'; ++at) {
    if (is_separator(*at)) name = at + 1;
  }
  return name;
}

// "C:" of a drive path, "\\server\share" of a UNC path, else nothing.
std::string root_of(const char* path) {
  if (drive_length(path) == 2) return std::string(path, 2);
  if (!is_separator(path[0]) || !is_separator(path[1])) return "";
  const char* end = path + 2;
  for (int separators = 0; *end != '\0'; ++end) {
    if (is_separator(*end) && ++separators == 2) break;
  }
  return std::string(path, end);
}

// The full path of a path that is already absolute: only "." and ".." and
// doubled separators are resolved, nothing depends on the current folder.
// Empty when the program's code page cannot hold it.
std::string normalised(const std::string& path) {
  std::wstring wide;
  std::string full;
  if (!widen(path.c_str(), &wide) || !narrow(full_path(wide), &full)) return "";
  return full;
}

HANDLE create_file(const char* path, DWORD access, DWORD share, DWORD creation) {
  const std::wstring wide = long_path(path);
  if (wide.empty()) return INVALID_HANDLE_VALUE;
  return CreateFileW(wide.c_str(), access, share, nullptr, creation, FILE_ATTRIBUTE_NORMAL,
                     nullptr);
}

// The found name in the program's code page; the name at the end of `path`
// itself when the code page cannot hold what the system reports.
void copy_found_name(const wchar_t* found, const char* path, char* name, size_t capacity) {
  std::string narrow_name;
  if (!narrow(found, std::wcslen(found), &narrow_name)) {
    narrow_name = after_separator(path);
  }
  std::strncpy(name, narrow_name.c_str(), capacity - 1);
  name[capacity - 1] = '\0';
}

}  // namespace

File* open_source(const char* path) {
  return file_of(create_file(path, GENERIC_READ, FILE_SHARE_READ, OPEN_EXISTING));
}

// A destination that is continued is also read: its last block is compared
// with the source's before more is appended.
File* open_dest(const char* path, bool create) {
  const DWORD access = create ? GENERIC_WRITE : GENERIC_READ | GENERIC_WRITE;
  return file_of(create_file(path, access, 0, create ? CREATE_ALWAYS : OPEN_EXISTING));
}

bool seek(File* file, int64_t offset) {
  LARGE_INTEGER distance;
  distance.QuadPart = offset;
  return SetFilePointerEx(handle_of(file), distance, nullptr, FILE_BEGIN) != FALSE;
}

bool read(File* file, void* buffer, uint32_t size, uint32_t* got) {
  DWORD count = 0;
  BOOL ok = ReadFile(handle_of(file), buffer, size, &count, nullptr);
  *got = ok ? count : 0;
  return ok != FALSE;
}

bool write_all(File* file, const void* buffer, uint32_t size, uint32_t* written) {
  const char* bytes = static_cast<const char*>(buffer);
  uint32_t done = 0;
  while (done < size) {
    DWORD count = 0;
    if (!WriteFile(handle_of(file), bytes + done, size - done, &count, nullptr)) {
      *written = done;
      return false;
    }
    if (count == 0) {
      // A write that moves nothing would loop for ever; a full disk does this.
      *written = done;
      SetLastError(ERROR_DISK_FULL);
      return false;
    }
    done += count;
  }
  *written = done;
  return true;
}

bool file_size(File* file, int64_t* size) {
  LARGE_INTEGER value;
  if (!GetFileSizeEx(handle_of(file), &value)) return false;
  *size = value.QuadPart;
  return true;
}

bool file_time(File* file, int64_t* last_write) {
  FILETIME time;
  if (!GetFileTime(handle_of(file), nullptr, nullptr, &time)) return false;
  *last_write = ticks_of(time);
  return true;
}

bool set_file_time(File* file, int64_t last_write) {
  FILETIME time;
  time.dwLowDateTime = static_cast<DWORD>(static_cast<uint64_t>(last_write));
  time.dwHighDateTime = static_cast<DWORD>(static_cast<uint64_t>(last_write) >> 32);
  return SetFileTime(handle_of(file), nullptr, nullptr, &time) != FALSE;
}

bool truncate(File* file, int64_t size) {
  return seek(file, size) && SetEndOfFile(handle_of(file)) != FALSE;
}

bool flush(File* file) { return FlushFileBuffers(handle_of(file)) != FALSE; }

void close(File* file) {
  if (file != nullptr) CloseHandle(handle_of(file));
}

File* lock_file(const char* path) {
  const std::wstring wide = long_path(path);
  if (wide.empty()) return nullptr;
  return file_of(CreateFileW(wide.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_ALWAYS,
                             FILE_ATTRIBUTE_NORMAL | FILE_FLAG_DELETE_ON_CLOSE, nullptr));
}

bool replace_file(const char* from, const char* to) {
  const std::wstring wide_from = long_path(from);
  const std::wstring wide_to = long_path(to);
  return !wide_from.empty() && !wide_to.empty() &&
         MoveFileExW(wide_from.c_str(), wide_to.c_str(),
                     MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != FALSE;
}

uint32_t last_error() { return GetLastError(); }

uint32_t out_of_memory_error() { return ERROR_NOT_ENOUGH_MEMORY; }
uint32_t invalid_parameter_error() { return ERROR_INVALID_PARAMETER; }
uint32_t end_of_file_error() { return ERROR_HANDLE_EOF; }
uint32_t read_fault_error() { return ERROR_READ_FAULT; }

bool missing_file(uint32_t error) {
  return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND;
}

bool flush_unsupported(uint32_t error) {
  return error == ERROR_INVALID_FUNCTION || error == ERROR_NOT_SUPPORTED;
}

bool look_up(const char* path, PathInfo* info) {
  // Wildcards are not part of a file name; they would make the search below
  // report some other file.
  if (std::strpbrk(path, "*?") != nullptr) {
    SetLastError(ERROR_INVALID_NAME);
    return false;
  }
  const std::wstring wide = long_path(path);
  if (wide.empty()) return false;
  WIN32_FIND_DATAW data;
  HANDLE search = FindFirstFileW(wide.c_str(), &data);
  if (search == INVALID_HANDLE_VALUE) return false;
  FindClose(search);
  info->is_directory = (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
  info->size =
      static_cast<int64_t>((static_cast<uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow);
  info->last_write = ticks_of(data.ftLastWriteTime);
  copy_found_name(data.cFileName, path, info->name, sizeof info->name);
  return true;
}

const char* path_separators() { return "\\/"; }

size_t drive_length(const char* path) { return path[0] != '\0' && path[1] == ':' ? 2 : 0; }

std::string absolute_path(const char* path, const char* base) {
  const bool drive = drive_length(path) == 2;
  if (drive && !is_separator(path[2])) {
    // "D:name" would follow drive D's current folder: taken from its root.
    return normalised(std::string(path, 2) + "\\" + (path + 2));
  }
  if (drive || (is_separator(path[0]) && is_separator(path[1]))) return normalised(path);
  if (is_separator(path[0])) return normalised(root_of(base) + path);
  return normalised(std::string(base) + path);
}

std::string name_key(const std::string& name) {
  std::wstring wide;
  if (!widen(name.c_str(), &wide) || wide.empty()) return name;
  CharUpperBuffW(&wide[0], static_cast<DWORD>(wide.size()));
  return utf8_of(wide);
}

std::string path_key(const char* path) {
  std::wstring wide;
  if (!widen(path, &wide)) return path;
  std::wstring full = full_path(wide);
  if (full.empty()) full = wide;
  // The file system compares names without case, letter by letter in UTF-16;
  // the key is only compared, so its encoding is free.
  CharUpperBuffW(&full[0], static_cast<DWORD>(full.size()));
  return utf8_of(full);
}

}  // namespace platform
