// Profile records through the Windows profile functions. Values are read as
// text and decoded by our own strict decoder; writing uses the system's.
#include <windows.h>

#include "platform/platform.h"

namespace platform {

bool read_profile_value(const char* path, const char* section, const char* key, char* out,
                        size_t capacity) {
  if (capacity < 2) return false;
  // A default that no value can equal tells a missing key from an empty one.
  static const char kMissing[] = "\x01";
  GetPrivateProfileStringA(section, key, kMissing, out, static_cast<DWORD>(capacity), path);
  return !(out[0] == '\x01' && out[1] == '\0');
}

bool write_profile_record(const char* path, const char* section, const char* key, const void* data,
                          size_t size) {
  return WritePrivateProfileStructA(section, key, const_cast<void*>(data), static_cast<UINT>(size),
                                    path) != FALSE;
}

}  // namespace platform
