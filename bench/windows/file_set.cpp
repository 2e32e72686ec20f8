#include "bench/windows/file_set.h"

#include <windows.h>

#include <cstdio>
#include <vector>

std::string file_name(int i) {
  char name[32];
  std::snprintf(name, sizeof name, "file_%05d.bin", i);
  return name;
}

std::string file_path(const FileSet& set, int i) { return set.folder + "\\" + file_name(i); }

bool make_files(const FileSet& set) {
  CreateDirectoryA(set.folder.c_str(), nullptr);
  constexpr int kPiece = 1 << 20;
  std::vector<char> bytes(static_cast<size_t>(set.size < kPiece ? set.size : kPiece));
  for (int i = 0; i < set.count; ++i) {
    FILE* file = std::fopen(file_path(set, i).c_str(), "wb");
    if (!file) return false;
    bool written = true;
    for (int at = 0; written && at < set.size; at += kPiece) {
      const int piece = set.size - at < kPiece ? set.size - at : kPiece;
      for (int b = 0; b < piece; ++b) {
        bytes[b] = static_cast<char>((static_cast<unsigned>(at + b) * 31u + i * 7u) % 251u);
      }
      written = std::fwrite(bytes.data(), 1, static_cast<size_t>(piece), file) ==
                static_cast<size_t>(piece);
    }
    if (std::fclose(file) != 0 || !written) return false;
  }
  return true;
}

void remove_files(const std::string& folder, int count) {
  CreateDirectoryA(folder.c_str(), nullptr);
  for (int i = 0; i < count; ++i) DeleteFileA((folder + "\\" + file_name(i)).c_str());
}
