#include "platform/win32/wide_text.h"

#include <windows.h>

#include <vector>

namespace platform {
namespace {

bool is_separator(wchar_t c) { return c == L'\\' || c == L'/'; }

// Already a path of the object manager's namespace ("\\?\", "\\.\").
bool has_device_prefix(const std::wstring& path) {
  return path.size() >= 4 && is_separator(path[0]) && is_separator(path[1]) &&
         (path[2] == L'?' || path[2] == L'.') && is_separator(path[3]);
}

bool is_absolute(const std::wstring& path) {
  const bool drive = path.size() >= 3 && path[1] == L':' && is_separator(path[2]);
  const bool unc = path.size() >= 2 && is_separator(path[0]) && is_separator(path[1]);
  return drive || unc;
}

}  // namespace

// After the prefix the system takes a path as it stands: it is made full first.
std::wstring full_path(const std::wstring& path) {
  std::vector<wchar_t> full(path.size() + MAX_PATH);
  DWORD length =
      GetFullPathNameW(path.c_str(), static_cast<DWORD>(full.size()), full.data(), nullptr);
  if (length >= full.size()) {
    full.resize(length + 1);
    length = GetFullPathNameW(path.c_str(), static_cast<DWORD>(full.size()), full.data(), nullptr);
  }
  if (length == 0 || length >= full.size()) return L"";
  return std::wstring(full.data(), length);
}

bool widen(const char* text, std::wstring* out) {
  out->clear();
  if (text[0] == '\0') return true;
  const int length = MultiByteToWideChar(CP_ACP, MB_ERR_INVALID_CHARS, text, -1, nullptr, 0);
  if (length <= 0) return false;
  out->resize(static_cast<size_t>(length));
  MultiByteToWideChar(CP_ACP, MB_ERR_INVALID_CHARS, text, -1, &(*out)[0], length);
  out->resize(static_cast<size_t>(length) - 1);
  return true;
}

bool narrow(const wchar_t* text, std::wstring::size_type length, std::string* out) {
  out->clear();
  if (length == 0) return true;
  // UTF-8 refuses only broken surrogates; a single-byte code page marks a
  // character it lacks with its default character, and without best fit it
  // never turns "é" into "e".
  const bool utf8 = GetACP() == CP_UTF8;
  const DWORD flags = utf8 ? WC_ERR_INVALID_CHARS : WC_NO_BEST_FIT_CHARS;
  BOOL defaulted = FALSE;
  BOOL* defaulted_at = utf8 ? nullptr : &defaulted;
  const int wide_length = static_cast<int>(length);
  const int size =
      WideCharToMultiByte(CP_ACP, flags, text, wide_length, nullptr, 0, nullptr, defaulted_at);
  if (size <= 0 || defaulted) return false;
  out->resize(static_cast<size_t>(size));
  WideCharToMultiByte(CP_ACP, flags, text, wide_length, &(*out)[0], size, nullptr, defaulted_at);
  if (defaulted) return false;
  // A double-byte code page may still map a character to another one: only
  // what comes back unchanged is the name.
  std::wstring back;
  return widen(out->c_str(), &back) && back.compare(0, back.size(), text, length) == 0 &&
         back.size() == length;
}

std::wstring wide_of_utf8(const std::string& text) {
  const int length = MultiByteToWideChar(CP_UTF8, 0, text.c_str(), -1, nullptr, 0);
  std::wstring wide(static_cast<size_t>(length > 0 ? length : 1), L'\0');
  if (length > 0) MultiByteToWideChar(CP_UTF8, 0, text.c_str(), -1, &wide[0], length);
  wide.resize(wide.size() - 1);
  return wide;
}

std::string from_utf8(const char* utf8) {
  const std::wstring wide = wide_of_utf8(utf8);
  const int size = WideCharToMultiByte(CP_ACP, 0, wide.c_str(), -1, nullptr, 0, nullptr, nullptr);
  std::string out(static_cast<size_t>(size > 1 ? size : 1), '\0');
  WideCharToMultiByte(CP_ACP, 0, wide.c_str(), -1, &out[0], size, nullptr, nullptr);
  out.resize(out.size() - 1);
  return out;
}

std::string utf8_of(const std::wstring& text) {
  if (text.empty()) return "";
  const int wide_length = static_cast<int>(text.size());
  const int size =
      WideCharToMultiByte(CP_UTF8, 0, text.c_str(), wide_length, nullptr, 0, nullptr, nullptr);
  std::string out(static_cast<size_t>(size > 0 ? size : 0), '\0');
  if (size > 0)
    WideCharToMultiByte(CP_UTF8, 0, text.c_str(), wide_length, &out[0], size, nullptr, nullptr);
  return out;
}

std::wstring long_path(const char* path) {
  std::wstring wide;
  if (!widen(path, &wide)) {
    SetLastError(ERROR_NO_UNICODE_TRANSLATION);
    return L"";
  }
  if (wide.empty() || has_device_prefix(wide) || !is_absolute(wide)) return wide;
  const std::wstring full = full_path(wide);
  if (full.empty()) {
    SetLastError(ERROR_INVALID_NAME);
    return L"";
  }
  if (is_separator(full[0]) && is_separator(full[1])) return L"\\\\?\\UNC\\" + full.substr(2);
  return L"\\\\?\\" + full;
}

}  // namespace platform
