// Copies under Wine, many small files or one large one: the same folder
// copied through the real main window (Add, then Start, with its refresh
// timer and log, default settings), through the controller and worker with
// an in-memory window, by a bare ReadFile/WriteFile loop with and without a
// flush per file, and, for scale, a thread started and waited for per file
// without copying. The ways take turns round after round; times are
// medians, and the ratios medians of the rounds' ratios.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "bench/common/queue_rounds.h"
#include "bench/common/stats.h"
#include "bench/windows/bare_copy_win32.h"
#include "bench/windows/bench_modes.h"
#include "bench/windows/file_set.h"
#include "bench/windows/window_runner.h"
#include "engine/copy_job.h"
#include "engine/queue_controller.h"
#include "ui/main/file_list.h"
#include "ui/main/list_commands.h"
#include "ui/main/main_window_state.h"

namespace {

enum Way { kWindow, kFakeWindow, kUntimed, kBare, kBareFlush, kThreads, kWays };
const char* const kWayNames[kWays] = {"real main window",
                                      "controller + worker, in-memory window",
                                      "the same, no last-write time read or stamped",
                                      "bare loop",
                                      "bare durable loop (flush per file)",
                                      "a thread started and waited for per file, no copy"};

struct Folders {
  FileSet source;
  std::string dest;
};

// What the open dialog hands back for every file of the set: the folder,
// then each name, each ending in a NUL, and one more NUL.
// What the open dialog hands back in UTF-16; the benchmark's names are ASCII.
std::wstring chosen_buffer(const FileSet& set) {
  std::string buffer = set.folder + '\0';
  for (int i = 0; i < set.count; ++i) buffer += file_name(i) + '\0';
  buffer += '\0';
  return std::wstring(buffer.begin(), buffer.end());
}

bool all_completed(const std::vector<const CopyJob*>& jobs) {
  for (const CopyJob* job : jobs) {
    if (job->state.load() != JOB_COMPLETED) return false;
  }
  return true;
}

// Add as one open-dialog choice (untimed), then Start until every row is
// complete and Start is enabled again (the controller's end). Watched
// without calls into the window thread, which would wait for the
// controller's and the worker's.
double window_round(const Folders& folders) {
  BenchSettings settings;
  bench_settings(&settings, folders.dest, 0);
  WindowRunner window(&settings);
  const std::wstring chosen = chosen_buffer(folders.source);
  std::vector<const CopyJob*> jobs;
  window.run([&] {
    add_chosen_files(window.window(), chosen.c_str(),
                     static_cast<unsigned>(folders.source.folder.size() + 1));
    HWND list = main_window.list;
    for (int row = 0; row < row_count(list); ++row) jobs.push_back(row_record(list, row)->job);
  });
  if (static_cast<int>(jobs.size()) != folders.source.count) std::exit(1);
  HWND start_button = GetDlgItem(window.window(), IDC_START);
  const double start = now_seconds();
  window.command(IDC_START);
  while (!all_completed(jobs) || !IsWindowEnabled(start_button)) Sleep(5);
  return now_seconds() - start;
}

double fake_window_round(const Folders& folders, bool timed) {
  std::vector<std::string> sources, dests;
  for (int i = 0; i < folders.source.count; ++i) {
    sources.push_back(file_path(folders.source, i));
    dests.push_back(folders.dest + "\\" + file_name(i));
  }
  return in_memory_queue_seconds(sources, dests, folders.source.size, timed);
}

double bare_round(const Folders& folders, bool flush) {
  const double start = now_seconds();
  for (int i = 0; i < folders.source.count; ++i) {
    if (!bare_copy_win32(file_path(folders.source, i).c_str(),
                         (folders.dest + "\\" + file_name(i)).c_str(), kDefaultBufferSize, flush)) {
      std::exit(1);
    }
  }
  return now_seconds() - start;
}

double round_of(Way way, const Folders& folders) {
  remove_files(folders.dest, folders.source.count);
  switch (way) {
    case kWindow:
      return window_round(folders);
    case kFakeWindow:
      return fake_window_round(folders, true);
    case kUntimed:
      return fake_window_round(folders, false);
    case kBare:
      return bare_round(folders, false);
    case kThreads:
      return threads_seconds(folders.source.count);
    default:
      return bare_round(folders, true);
  }
}

// What one call of another thread into the window thread costs, as the
// controller and the log make them: milliseconds, the median of batches.
double window_call_ms() {
  constexpr int kCalls = 200;
  BenchSettings settings;
  bench_settings(&settings, "D:\\copies", 0);
  WindowRunner window(&settings);
  std::vector<double> batches;
  for (int batch = 0; batch < 5; ++batch) {
    const double start = now_seconds();
    for (int i = 0; i < kCalls; ++i) window.run([] {});
    batches.push_back((now_seconds() - start) * 1000 / kCalls);
  }
  return median(batches);
}

// The median over the rounds of one way's time divided by another's.
double median_ratio(const std::vector<double>& times, const std::vector<double>& by) {
  std::vector<double> ratios;
  for (size_t round = 0; round < times.size(); ++round) ratios.push_back(times[round] / by[round]);
  return median(ratios);
}

}  // namespace

int copy_bench(int, char** argv) {
  Folders folders;
  folders.source = FileSet{argv[0], std::atoi(argv[2]), std::atoi(argv[3])};
  folders.dest = argv[1];
  const int rounds = std::atoi(argv[4]);
  const double least_ratio = std::atof(argv[5]);
  prepare_window_process();
  if (!make_files(folders.source)) return 1;
  std::vector<double> seconds[kWays];
  for (int round = 0; round < rounds; ++round) {
    for (int i = 0; i < kWays; ++i) {
      const Way way = static_cast<Way>((round + i) % kWays);
      seconds[way].push_back(round_of(way, folders));
      std::fprintf(stderr, "  round %d, %s: %.3f s\n", round + 1, kWayNames[way],
                   seconds[way].back());
    }
  }
  remove_files(folders.dest, folders.source.count);
  RemoveDirectoryA(folders.dest.c_str());
  remove_files(folders.source.folder, folders.source.count);
  RemoveDirectoryA(folders.source.folder.c_str());
  const int count = folders.source.count;
  const double mib = static_cast<double>(folders.source.size) * count / kMiB;
  std::printf(
      "| Way | Files/s | MiB/s | ms per file | Speed / bare durable loop | Time / in-memory window "
      "|\n|---|---|---|---|---|---|\n");
  for (int way = 0; way < kWays; ++way) {
    const double s = median(seconds[way]);
    std::printf("| %s | %.0f | %.0f | %.3f | %.2f | %.2f |\n", kWayNames[way], count / s, mib / s,
                s * 1000 / count, median_ratio(seconds[kBareFlush], seconds[way]),
                median_ratio(seconds[way], seconds[kFakeWindow]));
  }
  const double speed = median_ratio(seconds[kBareFlush], seconds[kWindow]);
  const double time = median_ratio(seconds[kWindow], seconds[kFakeWindow]);
  std::printf(
      "\nThe real window: %.2f× the bare durable loop's speed (≥ %.2f: %s), %.2f× the "
      "in-memory window's time (≤ 1.5: %s).\n",
      speed, least_ratio, speed >= least_ratio ? "holds" : "**fails**", time,
      time <= 1.5 ? "holds" : "**fails**");
  std::printf(
      "\nOne call of another thread into the window thread, as the controller and the "
      "log make them: %.3f ms; the real window makes seven per file.\n",
      window_call_ms());
  return 0;
}
