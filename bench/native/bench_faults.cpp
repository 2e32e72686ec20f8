// Cost of a fault: how many bytes the worker reads from the source per byte
// of the file when k reads fail, spread over the file, with a 1 ms pause.
// A failing read delivers its block and then reports the error (the worst
// case), so a worker that resumes exactly where it stopped re-reads one block
// per fault and nothing more. Results as JSON on stdout.
//
//   tv_bench_faults SOURCE DEST BUFFER K...
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "bench/common/counting_file_ops.h"
#include "bench/common/engine_copy.h"
#include "bench/common/files.h"
#include "bench/common/json_results.h"
#include "bench/common/stats.h"

namespace {

constexpr int kRuns = 3;

struct FaultRun {
  double seconds = 0;
  int64_t bytes_read = 0;
  int faults = 0;
  int opens = 0;
};

FaultRun run_once(const char* source, const char* dest, int buffer, int k) {
  const int64_t size = file_size(source);
  const int64_t blocks = (size + buffer - 1) / buffer;
  CountingFileOps ops(spread_offsets(k, blocks, buffer), EIO);
  const double start = now_seconds();
  const EngineCopyResult result = engine_copy(source, dest, buffer, 1);
  FaultRun run;
  run.seconds = now_seconds() - start;
  run.bytes_read = ops.bytes_read();
  run.faults = ops.faults_injected();
  run.opens = ops.source_opens();
  if (!result.completed || !same_content(source, dest)) {
    std::fprintf(stderr, "copy with %d faults did not complete intact\n", k);
    std::exit(1);
  }
  return run;
}

// One row per k: what the copy read and how long it took, the median of kRuns.
JsonObject fault_row(const char* source, const char* dest, int buffer, int k, double* base_ms) {
  const double size = static_cast<double>(file_size(source));
  std::vector<double> times;
  FaultRun run;
  for (int r = 0; r < kRuns; ++r) {
    run = run_once(source, dest, buffer, k);
    times.push_back(run.seconds * 1000);
  }
  const double ms = median(times);
  if (k == 0) *base_ms = ms;
  const double reread = static_cast<double>(run.bytes_read) - size;
  const double per_fault = run.faults > 0 ? reread / run.faults / buffer : 0;
  std::fprintf(stderr, "  k=%d: %d faults, %.2f blocks re-read each, %.1f ms\n", k, run.faults,
               per_fault, ms);
  JsonObject row;
  row.count("k", k)
      .count("faults", run.faults)
      .count("source_opens", run.opens)
      .number("read_per_file_size", static_cast<double>(run.bytes_read) / size)
      .number("reread_blocks_per_fault", per_fault)
      .number("copy_ms", ms);
  if (k > 0) row.number("extra_ms_per_fault", (ms - *base_ms) / k);
  return row;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 5) {
    std::fprintf(stderr, "usage: tv_bench_faults SOURCE DEST BUFFER K...\n");
    return 2;
  }
  const char* source = argv[1];
  const char* dest = argv[2];
  const int buffer = std::atoi(argv[3]);
  warm(source);
  double base_ms = 0;
  std::vector<JsonObject> rows;
  for (int i = 4; i < argc; ++i)
    rows.push_back(fault_row(source, dest, buffer, std::atoi(argv[i]), &base_ms));
  std::remove(dest);
  JsonObject().count("buffer", buffer).count("runs", kRuns).rows("faults", rows).print();
  return 0;
}
