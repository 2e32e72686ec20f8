#include "bench/windows/bare_copy_win32.h"

#include <windows.h>

#include <cstdlib>

namespace {

bool write_all(HANDLE file, const char* bytes, DWORD size) {
  while (size > 0) {
    DWORD written = 0;
    if (!WriteFile(file, bytes, size, &written, nullptr) || written == 0) return false;
    bytes += written;
    size -= written;
  }
  return true;
}

bool copy_handles(HANDLE in, HANDLE out, char* buffer, DWORD buffer_size) {
  for (;;) {
    DWORD got = 0;
    if (!ReadFile(in, buffer, buffer_size, &got, nullptr)) return false;
    if (got == 0) return true;
    if (!write_all(out, buffer, got)) return false;
  }
}

}  // namespace

bool bare_copy_win32(const char* source, const char* dest, size_t buffer_size, bool flush) {
  HANDLE in = CreateFileA(source, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                          FILE_ATTRIBUTE_NORMAL, nullptr);
  HANDLE out =
      CreateFileA(dest, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  char* buffer = static_cast<char*>(std::malloc(buffer_size));
  bool ok = in != INVALID_HANDLE_VALUE && out != INVALID_HANDLE_VALUE && buffer &&
            copy_handles(in, out, buffer, static_cast<DWORD>(buffer_size));
  if (ok && flush) ok = FlushFileBuffers(out) != FALSE;
  std::free(buffer);
  if (in != INVALID_HANDLE_VALUE) CloseHandle(in);
  if (out != INVALID_HANDLE_VALUE) CloseHandle(out);
  return ok;
}
