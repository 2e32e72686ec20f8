// Where the built tarvolin.exe lies, for the Windows tests that run the real
// program: TV_TARVOLIN_REL is its path relative to the test program.
#pragma once

#include <windows.h>

#include <string>

#ifndef TV_TARVOLIN_REL
#error "TV_TARVOLIN_REL: the path of tarvolin.exe relative to this test program"
#endif

inline std::string built_program() {
  char exe[MAX_PATH];
  const DWORD length = GetModuleFileNameA(nullptr, exe, sizeof exe);
  std::string path(exe, length);
  path.erase(path.rfind('\\') + 1);
  path += TV_TARVOLIN_REL;
  for (char& c : path) {
    if (c == '/') c = '\\';
  }
  return path;
}
