// Native throughput: the engine's worker against a bare read/write loop and
// dd with the same buffer, on a source in the page cache. The three run in
// rotating order round after round, so that a busy moment of the machine falls
// on all of them alike; the figures are medians over the rounds. Results as
// JSON on stdout.
//
//   tv_bench_copy throughput SOURCE DEST_FOLDER ROUNDS BUFFER...
//   tv_bench_copy rss SOURCE DEST BUFFER      (one engine copy; peak RSS)
#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "bench/common/engine_copy.h"
#include "bench/common/files.h"
#include "bench/common/json_results.h"
#include "bench/common/stats.h"
#include "bench/native/bare_copy.h"
#include "bench/native/process_tools.h"

namespace {

enum Contender { kEngine, kBare, kDd, kContenders };
const char* const kNames[kContenders] = {"engine", "bare", "dd"};

bool copy_with(Contender contender, const std::string& source, const std::string& dest,
               int buffer) {
  switch (contender) {
    case kEngine:
      return engine_copy(source.c_str(), dest.c_str(), buffer).completed;
    case kBare:
      return bare_copy(source.c_str(), dest.c_str(), static_cast<size_t>(buffer));
    default:
      return run_program(
          {"dd", "if=" + source, "of=" + dest, "bs=" + std::to_string(buffer), "status=none"});
  }
}

// Seconds for one copy; the destination is removed first, outside the time.
double timed_copy(Contender contender, const std::string& source, const std::string& dest,
                  int buffer) {
  ::unlink(dest.c_str());
  const double start = now_seconds();
  const bool ok = copy_with(contender, source, dest, buffer);
  const double seconds = now_seconds() - start;
  if (!ok || file_size(dest.c_str()) != file_size(source.c_str())) {
    std::fprintf(stderr, "%s copy failed at buffer %d\n", kNames[contender], buffer);
    std::exit(1);
  }
  return seconds;
}

std::string buffer_label(int buffer) {
  if (buffer % (1 << 20) == 0) return std::to_string(buffer >> 20) + " MiB";
  if (buffer % 1024 == 0) return std::to_string(buffer >> 10) + " KiB";
  return std::to_string(buffer) + " B";
}

JsonObject measure_buffer(const std::string& source, const std::string& dest, int rounds,
                          int buffer) {
  const double mib = static_cast<double>(file_size(source.c_str())) / kMiB;
  std::vector<double> seconds[kContenders];
  std::vector<double> engine_ratio;
  std::vector<double> dd_ratio;
  for (int round = 0; round < rounds; ++round) {
    double t[kContenders];
    for (int i = 0; i < kContenders; ++i) {
      const Contender c = static_cast<Contender>((round + i) % kContenders);
      t[c] = timed_copy(c, source, dest, buffer);
      seconds[c].push_back(t[c]);
    }
    engine_ratio.push_back(t[kBare] / t[kEngine]);
    dd_ratio.push_back(t[kBare] / t[kDd]);
    std::fprintf(stderr, "  %s round %d: engine %.3f s, bare %.3f s, dd %.3f s\n",
                 buffer_label(buffer).c_str(), round + 1, t[kEngine], t[kBare], t[kDd]);
  }
  // The engine's output is checked byte for byte once per buffer size.
  ::unlink(dest.c_str());
  if (!engine_copy(source.c_str(), dest.c_str(), buffer).completed ||
      !same_content(source.c_str(), dest.c_str())) {
    std::fprintf(stderr, "engine copy differs from the source\n");
    std::exit(1);
  }
  ::unlink(dest.c_str());
  return JsonObject()
      .count("buffer", buffer)
      .number("engine_mib_s", mib / median(seconds[kEngine]))
      .number("bare_mib_s", mib / median(seconds[kBare]))
      .number("dd_mib_s", mib / median(seconds[kDd]))
      .number("engine_ratio", median(engine_ratio))
      .number("worst_ratio", *std::min_element(engine_ratio.begin(), engine_ratio.end()))
      .number("dd_ratio", median(dd_ratio));
}

// Per buffer size: the median speeds and the ratios of time to the bare loop's.
int throughput(int argc, char** argv) {
  const std::string source = argv[2];
  const std::string dest = std::string(argv[3]) + "/throughput.out";
  const int rounds = std::atoi(argv[4]);
  warm(source.c_str());
  std::vector<JsonObject> buffers;
  for (int i = 5; i < argc; ++i)
    buffers.push_back(measure_buffer(source, dest, rounds, std::atoi(argv[i])));
  JsonObject().count("rounds", rounds).rows("buffers", buffers).print();
  return 0;
}

int peak_rss(char** argv) {
  const EngineCopyResult result = engine_copy(argv[2], argv[3], std::atoi(argv[4]));
  struct rusage usage {};
  getrusage(RUSAGE_SELF, &usage);
  JsonObject().count("peak_rss_kib", usage.ru_maxrss).print();
  return result.completed ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
  const std::string mode = argc > 1 ? argv[1] : "";
  if (mode == "throughput" && argc >= 6) return throughput(argc, argv);
  if (mode == "rss" && argc == 5) return peak_rss(argv);
  std::fprintf(stderr,
               "usage: tv_bench_copy throughput SOURCE DEST_FOLDER ROUNDS BUFFER...\n"
               "       tv_bench_copy rss SOURCE DEST BUFFER\n");
  return 2;
}
