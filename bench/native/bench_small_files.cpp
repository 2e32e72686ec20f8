// Many small files: the queue controller and the worker copying a folder of
// small files, with an in-memory window, against `cp -r` of the same folder.
// Rounds alternate between the two; the figures are medians.
//
//   tv_bench_small LABEL SOURCE_FOLDER DEST_ROOT COUNT ROUNDS
// prints, as JSON: the label, files/s of each, their ratio, ms per file, and
// the ms that a thread start and wait costs alone.
//
//   tv_bench_small --resume SOURCE_FOLDER DEST_ROOT COUNT ROUNDS
// the cost of comparing what resume finds: the files copied, then added again
// as resume detection adds them (each destination as large as its source, to
// be compared with it before it is trusted) and started again, in turns. As
// JSON: files, ms per file of each, source bytes read per file by each.
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "bench/common/counting_file_ops.h"
#include "bench/common/files.h"
#include "bench/common/json_results.h"
#include "bench/common/queue_rounds.h"
#include "bench/common/stats.h"
#include "bench/native/process_tools.h"
#include "engine/queue_controller.h"
#include "engine/run_flags.h"
#include "tests/unit/support/fake_window_host.h"
#include "tests/unit/support/test_jobs.h"

namespace fs = std::filesystem;

namespace {

constexpr int kFileSize = 4096;

std::string file_name(int i) {
  char name[32];
  std::snprintf(name, sizeof name, "file_%05d.bin", i);
  return name;
}

void make_sources(const fs::path& folder, int count) {
  fs::create_directories(folder);
  std::vector<char> bytes(kFileSize);
  for (int i = 0; i < count; ++i) {
    for (int b = 0; b < kFileSize; ++b) bytes[b] = static_cast<char>((b * 31 + i * 7) % 251);
    FILE* file = std::fopen((folder / file_name(i)).c_str(), "wb");
    if (!file) std::exit(1);
    std::fwrite(bytes.data(), 1, bytes.size(), file);
    std::fclose(file);
  }
}

struct Round {
  double seconds = 0;
  int64_t source_bytes = 0;  // read from the sources
};

// Start to end of the queue, rows made beforehand as Add would have. Re-added:
// the destinations are left from the round before and every row is made as
// resume detection makes it.
Round engine_round(const fs::path& source, const fs::path& dest, int count, bool readded) {
  if (!readded) {
    fs::remove_all(dest);
    fs::create_directories(dest);
  }
  FakeWindowHost host;
  std::vector<JobRowPtr> rows;
  CopyParam param = test_copy_param(kDefaultBufferSize, kDefaultMaxAttempts);
  for (int i = 0; i < count; ++i) {
    rows.push_back(make_test_row((source / file_name(i)).string(), (dest / file_name(i)).string(),
                                 kFileSize, readded ? kFileSize : 0, param));
    rows.back()->job->check_dest.store(readded);
    host.rows.push_back(rows.back().get());
  }
  run_flags.run.store(true);
  run_flags.log_enabled.store(true);
  run_flags.closing.store(false);
  CountingFileOps counting({}, 0);
  const double start = now_seconds();
  queue_controller(nullptr);
  Round round{now_seconds() - start, counting.bytes_read()};
  for (const JobRowPtr& row : rows) {
    if (row->job->state.load() != JOB_COMPLETED) std::exit(1);
  }
  return round;
}

double cp_round(const fs::path& source, const fs::path& dest) {
  fs::remove_all(dest);
  const double start = now_seconds();
  if (!run_program({"cp", "-r", source.string(), dest.string()})) std::exit(1);
  return now_seconds() - start;
}

}  // namespace

// Copies, then re-adds and starts again, in turns; medians.
int resume_rows(const fs::path& source, const fs::path& root, int count, int rounds) {
  std::vector<double> copy_seconds, readd_seconds, copy_bytes, readd_bytes;
  for (int round = 0; round < rounds; ++round) {
    const Round copy = engine_round(source, root / "engine", count, false);
    const Round readd = engine_round(source, root / "engine", count, true);
    copy_seconds.push_back(copy.seconds);
    readd_seconds.push_back(readd.seconds);
    copy_bytes.push_back(static_cast<double>(copy.source_bytes) / count);
    readd_bytes.push_back(static_cast<double>(readd.source_bytes) / count);
    std::fprintf(stderr, "  resume round %d: copy %.3f s, re-added %.3f s\n", round + 1,
                 copy.seconds, readd.seconds);
  }
  fs::remove_all(root / "engine");
  JsonObject()
      .count("files", count)
      .count("rounds", rounds)
      .number("copy_ms_per_file", median(copy_seconds) * 1000 / count)
      .number("readded_ms_per_file", median(readd_seconds) * 1000 / count)
      .number("copy_source_bytes_per_file", median(copy_bytes))
      .number("readded_source_bytes_per_file", median(readd_bytes))
      .print();
  return 0;
}

int main(int argc, char** argv) {
  if (argc != 6) {
    std::fprintf(stderr,
                 "usage: tv_bench_small LABEL|--resume SOURCE_FOLDER DEST_ROOT COUNT ROUNDS\n");
    return 2;
  }
  const fs::path source = argv[2];
  const fs::path root = argv[3];
  const int count = std::atoi(argv[4]);
  const int rounds = std::atoi(argv[5]);
  make_sources(source, count);
  if (std::string(argv[1]) == "--resume") return resume_rows(source, root, count, rounds);
  std::vector<double> engine;
  std::vector<double> cp;
  std::vector<double> threads;
  for (int round = 0; round < rounds; ++round) {
    engine.push_back(engine_round(source, root / "engine", count, false).seconds);
    cp.push_back(cp_round(source, root / "cp"));
    threads.push_back(threads_seconds(count));
    std::fprintf(stderr, "  %s round %d: engine %.3f s, cp -r %.3f s\n", argv[1], round + 1,
                 engine.back(), cp.back());
  }
  fs::remove_all(root / "engine");
  fs::remove_all(root / "cp");
  const double e = median(engine);
  const double c = median(cp);
  JsonObject()
      .text("where", argv[1])
      .count("files", count)
      .count("rounds", rounds)
      .number("engine_files_s", count / e)
      .number("cp_files_s", count / c)
      .number("engine_per_cp", c / e)
      .number("engine_ms_per_file", e * 1000 / count)
      .number("cp_ms_per_file", c * 1000 / count)
      .number("thread_ms", median(threads) * 1000 / count)
      .print();
  return 0;
}
