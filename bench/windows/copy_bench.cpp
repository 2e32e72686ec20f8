// Copies under Wine, many small files or one large one: the same folder
// copied through the real main window (Add, then Start, with its refresh
// timer and log, default settings), through the controller and worker with
// an in-memory window, by a bare ReadFile/WriteFile loop with and without a
// flush per file, and, for scale, a thread started and waited for per file
// without copying. The ways take turns round after round; times are
// medians, and the ratios medians of the rounds' ratios. Results as JSON on
// stdout, with one call into the window thread timed on its own.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "bench/common/json_results.h"
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
// Each way's key in the results, and its name for people.
const char* const kWayKeys[kWays] = {"window", "in_memory_window", "untimed_in_memory_window",
                                     "bare",   "bare_durable",     "threads"};
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

// One way's medians, its ratios to the yardsticks, and its time in every round.
JsonObject way_results(Way way, const std::vector<double> (&seconds)[kWays], int count,
                       double mib) {
  const double s = median(seconds[way]);
  return JsonObject()
      .text("way", kWayKeys[way])
      .text("name", kWayNames[way])
      .number("files_s", count / s)
      .number("mib_s", mib / s)
      .number("ms_per_file", s * 1000 / count)
      .number("speed_per_bare_durable", median_ratio(seconds[kBareFlush], seconds[way]))
      .number("time_per_in_memory_window", median_ratio(seconds[way], seconds[kFakeWindow]))
      .numbers("round_seconds", seconds[way]);
}

}  // namespace

int copy_bench(int, char** argv) {
  Folders folders;
  folders.source = FileSet{argv[0], std::atoi(argv[2]), std::atoi(argv[3])};
  folders.dest = argv[1];
  const int rounds = std::atoi(argv[4]);
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
  std::vector<JsonObject> ways;
  for (int way = 0; way < kWays; ++way) {
    ways.push_back(way_results(static_cast<Way>(way), seconds, count, mib));
  }
  JsonObject()
      .count("files", count)
      .count("file_bytes", folders.source.size)
      .count("rounds", rounds)
      .rows("ways", ways)
      .number("window_call_ms", window_call_ms())
      .print();
  return 0;
}
