// Throughput under Wine: the engine's worker against a bare ReadFile/WriteFile
// loop with the same buffer and the same file, in alternating order round
// after round; the figures are medians over the rounds. Results as JSON on
// stdout.
//
//   tv_bench_wine_copy.exe throughput SOURCE DEST ROUNDS BUFFER...
//   tv_bench_wine_copy.exe memory SOURCE DEST BUFFER   (one engine copy; peak working set)
#include <windows.h>
// psapi.h needs the types of windows.h.
#include <psapi.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "bench/common/engine_copy.h"
#include "bench/common/files.h"
#include "bench/common/json_results.h"
#include "bench/common/stats.h"
#include "bench/windows/bare_copy_win32.h"

namespace {

double timed_copy(bool engine, const char* source, const char* dest, int buffer) {
  DeleteFileA(dest);
  const double start = now_seconds();
  const bool ok = engine ? engine_copy(source, dest, buffer).completed
                         : bare_copy_win32(source, dest, static_cast<size_t>(buffer));
  const double seconds = now_seconds() - start;
  if (!ok || file_size(dest) != file_size(source)) {
    std::fprintf(stderr, "%s copy failed at buffer %d\n", engine ? "engine" : "bare", buffer);
    std::exit(1);
  }
  return seconds;
}

std::string buffer_label(int buffer) {
  if (buffer % (1 << 20) == 0) return std::to_string(buffer >> 20) + " MiB";
  if (buffer % 1024 == 0) return std::to_string(buffer >> 10) + " KiB";
  return std::to_string(buffer) + " B";
}

JsonObject measure_buffer(const char* source, const char* dest, int rounds, int buffer) {
  const double mib = static_cast<double>(file_size(source)) / kMiB;
  std::vector<double> engine;
  std::vector<double> bare;
  std::vector<double> ratio;
  for (int round = 0; round < rounds; ++round) {
    const bool engine_first = round % 2 == 0;
    const double first = timed_copy(engine_first, source, dest, buffer);
    const double second = timed_copy(!engine_first, source, dest, buffer);
    engine.push_back(engine_first ? first : second);
    bare.push_back(engine_first ? second : first);
    ratio.push_back(bare.back() / engine.back());
    std::fprintf(stderr, "  %s round %d: engine %.3f s, bare %.3f s\n",
                 buffer_label(buffer).c_str(), round + 1, engine.back(), bare.back());
  }
  DeleteFileA(dest);
  if (!engine_copy(source, dest, buffer).completed || !same_content(source, dest)) {
    std::fprintf(stderr, "engine copy differs from the source\n");
    std::exit(1);
  }
  DeleteFileA(dest);
  return JsonObject()
      .count("buffer", buffer)
      .number("engine_mib_s", mib / median(engine))
      .number("bare_mib_s", mib / median(bare))
      .number("engine_ratio", median(ratio))
      .number("worst_ratio", *std::min_element(ratio.begin(), ratio.end()));
}

// Per buffer size: the median speeds and the ratios of time to the bare loop's.
int throughput(int argc, char** argv) {
  warm(argv[2]);
  const int rounds = std::atoi(argv[4]);
  std::vector<JsonObject> buffers;
  for (int i = 5; i < argc; ++i) {
    buffers.push_back(measure_buffer(argv[2], argv[3], rounds, std::atoi(argv[i])));
  }
  JsonObject().count("rounds", rounds).rows("buffers", buffers).print();
  return 0;
}

int peak_memory(char** argv) {
  const EngineCopyResult result = engine_copy(argv[2], argv[3], std::atoi(argv[4]));
  PROCESS_MEMORY_COUNTERS counters{};
  counters.cb = sizeof counters;
  GetProcessMemoryInfo(GetCurrentProcess(), &counters, sizeof counters);
  JsonObject()
      .count("peak_working_set_kib", static_cast<int64_t>(counters.PeakWorkingSetSize / 1024))
      .print();
  DeleteFileA(argv[3]);
  return result.completed ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
  const std::string mode = argc > 1 ? argv[1] : "";
  if (mode == "throughput" && argc >= 6) return throughput(argc, argv);
  if (mode == "memory" && argc == 5) return peak_memory(argv);
  std::fprintf(stderr,
               "usage: tv_bench_wine_copy throughput SOURCE DEST ROUNDS BUFFER...\n"
               "       tv_bench_wine_copy memory SOURCE DEST BUFFER\n");
  return 2;
}
