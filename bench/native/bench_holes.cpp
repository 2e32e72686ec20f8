// Rescue around dead sectors: a file with 4 KiB sectors that never read again,
// spread through it, copied pass after pass as the queue controller gives an
// unfinished job a new run each pass (a 1 ms pause after each failed read),
// until only those sectors are missing. Per pass: its time, the bytes read
// from the source, the failed reads, and what is left unread; JSON on stdout.
//
//   tv_bench_holes SOURCE DEST SIZE_MIB SECTORS
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

#include "bench/common/counting_file_ops.h"
#include "bench/common/json_results.h"
#include "bench/common/stats.h"
#include "engine/copy_worker.h"
#include "engine/run_flags.h"
#include "tests/unit/support/temp_dir.h"
#include "tests/unit/support/test_jobs.h"

namespace {

constexpr int64_t kSector = 4096;
constexpr int kMostPasses = 8;

std::string read_all(const char* path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// The destination is the source with zeros in the dead sectors, and nothing else differs.
bool rescued_all_else(const char* source, const char* dest, const std::vector<int64_t>& dead) {
  std::string expected = read_all(source);
  for (int64_t start : dead) {
    expected.replace(static_cast<size_t>(start), kSector, kSector, '\0');
  }
  return read_all(dest) == expected;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 5) {
    std::fprintf(stderr, "usage: tv_bench_holes SOURCE DEST SIZE_MIB SECTORS\n");
    return 2;
  }
  const char* source = argv[1];
  const char* dest = argv[2];
  const int64_t size = std::atoll(argv[3]) << 20;
  const int count = std::atoi(argv[4]);
  const std::string bytes = pattern_bytes(static_cast<size_t>(size), 5);
  std::ofstream(source, std::ios::binary).write(bytes.data(), static_cast<std::streamsize>(size));
  const std::vector<int64_t> dead = spread_offsets(count, size / kSector, kSector);

  CountingFileOps ops({}, EIO);
  ops.set_bad_sectors(dead, kSector);
  CopyParam param = test_copy_param(kDefaultBufferSize, kDefaultMaxAttempts);
  param.retry_timeout = 1;
  JobRowPtr row = make_test_row(source, dest, size, 0, param);
  CopyJob* job = row->job;
  run_flags.run.store(true);

  std::vector<JsonObject> pass_rows;
  int64_t unread = 0;
  int64_t read_before = 0;
  int failed_before = 0;
  while (static_cast<int>(pass_rows.size()) < kMostPasses) {
    const double start = now_seconds();
    copy_worker(job);
    const Holes holes = read_holes(job->holes.load());
    unread = hole_bytes(holes);
    pass_rows.push_back(JsonObject()
                            .number("seconds", now_seconds() - start)
                            .count("source_bytes_read", ops.bytes_read() - read_before)
                            .count("failed_reads", ops.failed_reads() - failed_before)
                            .count("holes_left", static_cast<int64_t>(holes.size()))
                            .count("bytes_unread", unread));
    read_before = ops.bytes_read();
    failed_before = ops.failed_reads();
    if (unread <= static_cast<int64_t>(dead.size()) * kSector) break;
  }
  const bool intact = rescued_all_else(source, dest, dead);
  JsonObject()
      .count("file_bytes", size)
      .count("dead_sectors", static_cast<int64_t>(dead.size()))
      .count("sector_bytes", kSector)
      .rows("passes", pass_rows)
      .flag("all_else_equal", intact)
      .print();
  std::remove(dest);
  std::remove(source);
  return intact ? 0 : 1;
}
