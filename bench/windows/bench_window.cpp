// Benchmarks of the real main window under Wine.
//
//   tv_bench_window.exe refresh ROWS...        one refresh tick over ROWS rows
//   tv_bench_window.exe log LINES              memory of LINES log lines
//   tv_bench_window.exe small SOURCE DEST COUNT ROUNDS
//                                              COUNT small files through the window
#include <cstdio>
#include <string>

#include "bench/windows/bench_modes.h"

int main(int argc, char** argv) {
  const std::string mode = argc > 1 ? argv[1] : "";
  if (mode == "refresh" && argc > 2) return refresh_bench(argc - 2, argv + 2);
  if (mode == "log" && argc == 3) return log_bench(argc - 2, argv + 2);
  if (mode == "small" && argc == 6) return small_files_bench(argc - 2, argv + 2);
  std::fprintf(stderr,
               "usage: tv_bench_window refresh ROWS... | log LINES | "
               "small SOURCE DEST COUNT ROUNDS\n");
  return 2;
}
