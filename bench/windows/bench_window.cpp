// Benchmarks of the real main window under Wine; each prints its results as
// JSON on stdout.
//
//   tv_bench_window.exe refresh ROWS...        one refresh tick over ROWS rows
//   tv_bench_window.exe log LINES              LINES log lines: their cost and memory
//   tv_bench_window.exe copy SOURCE DEST COUNT SIZE ROUNDS
//                                              COUNT files of SIZE bytes through the
//                                              window and by other ways
//   tv_bench_window.exe add FOLDER DEST ROUNDS COUNT...
//                                              Add of COUNT files through the open dialog
//   tv_bench_window.exe add-folder FOLDER DEST ROUNDS FILES FOLDERS
//                                              "Добавить папку..." of FILES files in
//                                              FOLDERS folders, through the picker
#include <cstdio>
#include <string>

#include "bench/windows/bench_modes.h"

int main(int argc, char** argv) {
  const std::string mode = argc > 1 ? argv[1] : "";
  if (mode == "refresh" && argc > 2) return refresh_bench(argc - 2, argv + 2);
  if (mode == "log" && argc == 3) return log_bench(argc - 2, argv + 2);
  if (mode == "copy" && argc == 7) return copy_bench(argc - 2, argv + 2);
  if (mode == "add" && argc > 5) return add_bench(argc - 2, argv + 2);
  if (mode == "add-folder" && argc == 7) return add_folder_bench(argc - 2, argv + 2);
  std::fprintf(stderr,
               "usage: tv_bench_window refresh ROWS... | log LINES | "
               "copy SOURCE DEST COUNT SIZE ROUNDS | add FOLDER DEST ROUNDS COUNT... | "
               "add-folder FOLDER DEST ROUNDS FILES FOLDERS\n");
  return 2;
}
