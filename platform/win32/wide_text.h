// Where the program's narrow texts and paths become UTF-16 and back. The
// program's code page is UTF-8 where the system honours its manifest, else
// the system's own (Windows 7, 8 and older 10); the wide calls of the system
// take UTF-16, and so do the names a user chooses in the shell's dialogs.
#pragma once

#include <string>

namespace platform {

// `text` (the program's code page) in UTF-16; false, with `*out` empty, when
// it is not valid in that code page.
bool widen(const char* text, std::wstring* out);
// `text` in the program's code page; false when the code page cannot hold one
// of its characters. Nothing is replaced by a look-alike: "café" never comes
// back as "cafe".
bool narrow(const wchar_t* text, std::wstring::size_type length, std::string* out);
inline bool narrow(const std::wstring& text, std::string* out) {
  return narrow(text.c_str(), text.size(), out);
}
// A text of the program's own, written in UTF-8 in the source, in the
// program's code page.
std::string from_utf8(const char* utf8);
// `text` in UTF-8, for what must be shown even when the code page cannot hold it.
std::string utf8_of(const std::wstring& text);
// `text` (UTF-8) in UTF-16.
std::wstring wide_of_utf8(const std::string& text);
// The full path of `path` (UTF-16), its "." and ".." resolved and "/" made
// "\"; empty when it cannot be formed.
std::wstring full_path(const std::wstring& path);
// `path` as the wide file calls take it: UTF-16, and when absolute, full and
// with the prefix that lifts the limit of 260 characters ("\\?\C:\...",
// "\\?\UNC\server\share\..."). Empty, with the error set, when it cannot be
// formed.
std::wstring long_path(const char* path);

}  // namespace platform
