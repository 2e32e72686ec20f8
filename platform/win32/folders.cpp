// Folders through the wide calls: listed and made at any depth.
#include <windows.h>

#include "platform/platform.h"
#include "platform/win32/file_ticks.h"
#include "platform/win32/wide_text.h"

namespace platform {
namespace {

bool is_dot_entry(const wchar_t* name) {
  return name[0] == L'.' && (name[1] == L'\0' || (name[1] == L'.' && name[2] == L'\0'));
}

// A folder that is a link to another place: junction, symbolic link, mount
// point.
bool leads_elsewhere(DWORD attributes) {
  return (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0 &&
         (attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
}

// Windows' own links for older programs ("Application Data", "My Documents"
// in a profile): hidden and system, they stand for folders that are there
// under their present names, and refuse to be listed. Left out without a
// word: Explorer does not show them either.
bool is_system_link(DWORD attributes) {
  const DWORD kSystemLink = FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM;
  return leads_elsewhere(attributes) && (attributes & kSystemLink) == kSystemLink;
}

FolderEntry entry_of(const WIN32_FIND_DATAW& data) {
  FolderEntry entry;
  const std::wstring name = data.cFileName;
  entry.unheld = !narrow(name, &entry.name);
  if (entry.unheld) entry.name = utf8_of(name);
  entry.is_directory = (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
  entry.elsewhere = leads_elsewhere(data.dwFileAttributes);
  entry.size =
      static_cast<int64_t>((static_cast<uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow);
  entry.last_write = ticks_of(data.ftLastWriteTime);
  return entry;
}

bool is_folder(const std::wstring& path) {
  const DWORD attributes = GetFileAttributesW(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

bool make_wide_folders(const std::wstring& path) {
  if (CreateDirectoryW(path.c_str(), nullptr)) return true;
  const DWORD error = GetLastError();
  if (error == ERROR_ALREADY_EXISTS) return is_folder(path);
  if (error != ERROR_PATH_NOT_FOUND) return false;
  const std::wstring::size_type separator = path.find_last_of(L"\\/");
  // The parent first; a path whose parent cannot be made (no such drive or
  // share) keeps the error of its own creation.
  if (separator == std::wstring::npos || separator == 0 ||
      !make_wide_folders(path.substr(0, separator))) {
    SetLastError(error);
    return false;
  }
  return CreateDirectoryW(path.c_str(), nullptr) ||
         (GetLastError() == ERROR_ALREADY_EXISTS && is_folder(path));
}

}  // namespace

bool list_folder(const char* path, std::vector<FolderEntry>* entries) {
  entries->clear();
  const std::wstring folder = long_path(path);
  if (folder.empty()) return false;
  const std::wstring pattern = folder + (folder.back() == L'\\' ? L"*" : L"\\*");
  WIN32_FIND_DATAW data;
  // The basic information (no short names) in large fetches: fewer requests
  // to a share, and to Wine's server.
  HANDLE search = FindFirstFileExW(pattern.c_str(), FindExInfoBasic, &data, FindExSearchNameMatch,
                                   nullptr, FIND_FIRST_EX_LARGE_FETCH);
  if (search == INVALID_HANDLE_VALUE) return false;
  do {
    if (is_dot_entry(data.cFileName) || is_system_link(data.dwFileAttributes)) continue;
    entries->push_back(entry_of(data));
  } while (FindNextFileW(search, &data));
  const DWORD error = GetLastError();
  FindClose(search);
  if (error == ERROR_NO_MORE_FILES) return true;
  SetLastError(error);
  return false;
}

bool make_folders(const char* path) {
  std::wstring wide = long_path(path);
  while (!wide.empty() && (wide.back() == L'\\' || wide.back() == L'/')) wide.pop_back();
  return !wide.empty() && make_wide_folders(wide);
}

}  // namespace platform
