// A folder of numbered small files for the window benchmarks under Wine.
#pragma once

#include <string>

struct FileSet {
  std::string folder;
  int count;
  int size;
};

// "file_00042.bin"
std::string file_name(int i);
std::string file_path(const FileSet& set, int i);
// Makes the folder and its files, each with bytes of its own; false on failure.
bool make_files(const FileSet& set);
// Deletes the set's files from `folder` (made if missing), leaving it empty of them.
void remove_files(const std::string& folder, int count);
