// Many small files under Wine: the same folder copied through the real main
// window (Add, then Start, with its refresh timer and log), through the
// controller and worker with an in-memory window, and by a bare
// ReadFile/WriteFile loop with and without a flush per file. The four take
// turns round after round; the figures are medians.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "bench/common/stats.h"
#include "bench/windows/bare_copy_win32.h"
#include "bench/windows/bench_modes.h"
#include "bench/windows/window_runner.h"
#include "engine/copy_job.h"
#include "engine/queue_controller.h"
#include "engine/run_flags.h"
#include "platform/platform.h"
#include "tests/unit/support/fake_window_host.h"
#include "tests/unit/support/test_jobs.h"
#include "ui/main/file_list.h"
#include "ui/main/main_state.h"

namespace {

constexpr int kFileSize = 4096;

enum Way { kWindow, kFakeWindow, kBare, kBareFlush, kThreads, kWays };
const char* const kWayNames[kWays] = {"real main window", "controller + worker, in-memory window",
                                      "bare loop", "bare loop + flush per file",
                                      "a thread started and waited for per file, no copy"};

struct Folders {
  std::string source;
  std::string dest;
  int count;
};

std::string file_name(int i) {
  char name[32];
  std::snprintf(name, sizeof name, "file_%05d.bin", i);
  return name;
}

bool make_sources(const Folders& folders) {
  CreateDirectoryA(folders.source.c_str(), nullptr);
  std::vector<char> bytes(kFileSize);
  for (int i = 0; i < folders.count; ++i) {
    for (int b = 0; b < kFileSize; ++b) bytes[b] = static_cast<char>((b * 31 + i * 7) % 251);
    FILE* file = std::fopen((folders.source + "\\" + file_name(i)).c_str(), "wb");
    if (!file) return false;
    std::fwrite(bytes.data(), 1, bytes.size(), file);
    std::fclose(file);
  }
  return true;
}

void empty_dest(const Folders& folders) {
  CreateDirectoryA(folders.dest.c_str(), nullptr);
  for (int i = 0; i < folders.count; ++i) {
    DeleteFileA((folders.dest + "\\" + file_name(i)).c_str());
  }
}

// Add (untimed), then Start until the controller has ended.
double window_round(const Folders& folders) {
  BenchSettings settings;
  bench_settings(&settings, folders.dest, 0);
  WindowRunner window(&settings);
  std::vector<JobRow*> rows;
  window.run([&] {
    for (int i = 0; i < folders.count; ++i) {
      const std::string path = folders.source + "\\" + file_name(i);
      char name[kFileNameCapacity];
      JobRow* row = create_job(path.c_str(), settings.copy, name);
      if (!row) std::exit(1);
      append_job_row(row, name, path.c_str());
      rows.push_back(row);
    }
  });
  const double start = now_seconds();
  window.command(ID_START);
  bool running = true;
  while (running) {
    Sleep(5);
    window.run([&] { running = controller_running(); });
  }
  const double seconds = now_seconds() - start;
  window.run([&] {
    for (JobRow* row : rows) {
      if (row->job->state.load() != JOB_COMPLETED) std::exit(1);
    }
  });
  return seconds;
}

double fake_window_round(const Folders& folders) {
  FakeWindowHost host;
  std::vector<JobRowPtr> rows;
  CopyParam param = test_copy_param(kDefaultBufferSize, kDefaultMaxAttempts);
  for (int i = 0; i < folders.count; ++i) {
    rows.push_back(make_test_row(folders.source + "\\" + file_name(i),
                                 folders.dest + "\\" + file_name(i), kFileSize, 0, param));
    host.rows.push_back(rows.back().get());
  }
  run_flags.run.store(true);
  run_flags.log_enabled.store(true);
  run_flags.closing.store(false);
  const double start = now_seconds();
  queue_controller(nullptr);
  const double seconds = now_seconds() - start;
  for (const JobRowPtr& row : rows) {
    if (row->job->state.load() != JOB_COMPLETED) std::exit(1);
  }
  run_flags.run.store(false);
  run_flags.log_enabled.store(false);
  return seconds;
}

double bare_round(const Folders& folders, bool flush) {
  const double start = now_seconds();
  for (int i = 0; i < folders.count; ++i) {
    if (!bare_copy_win32((folders.source + "\\" + file_name(i)).c_str(),
                         (folders.dest + "\\" + file_name(i)).c_str(), kDefaultBufferSize, flush)) {
      std::exit(1);
    }
  }
  return now_seconds() - start;
}

uint32_t idle(void*) { return 0; }

double threads_round(int count) {
  const double start = now_seconds();
  for (int i = 0; i < count; ++i) {
    platform::Thread* thread = platform::start_thread(idle, nullptr);
    platform::wait_thread(thread);
    platform::close_thread(thread);
  }
  return now_seconds() - start;
}

double round_of(Way way, const Folders& folders) {
  empty_dest(folders);
  switch (way) {
    case kWindow:
      return window_round(folders);
    case kFakeWindow:
      return fake_window_round(folders);
    case kBare:
      return bare_round(folders, false);
    case kThreads:
      return threads_round(folders.count);
    default:
      return bare_round(folders, true);
  }
}

}  // namespace

int small_files_bench(int, char** argv) {
  const Folders folders{argv[0], argv[1], std::atoi(argv[2])};
  const int rounds = std::atoi(argv[3]);
  prepare_window_process();
  if (!make_sources(folders)) return 1;
  std::vector<double> seconds[kWays];
  for (int round = 0; round < rounds; ++round) {
    for (int i = 0; i < kWays; ++i) {
      const Way way = static_cast<Way>((round + i) % kWays);
      seconds[way].push_back(round_of(way, folders));
      std::fprintf(stderr, "  round %d, %s: %.3f s\n", round + 1, kWayNames[way],
                   seconds[way].back());
    }
  }
  empty_dest(folders);
  RemoveDirectoryA(folders.dest.c_str());
  const double bare = median(seconds[kBare]);
  std::printf(
      "| Way | Files/s | ms per file | Overhead per file over the bare loop (ms) |\n"
      "|---|---|---|---|\n");
  for (int way = 0; way < kWays; ++way) {
    const double s = median(seconds[way]);
    std::printf("| %s | %.0f | %.3f | %.3f |\n", kWayNames[way], folders.count / s,
                s * 1000 / folders.count, (s - bare) * 1000 / folders.count);
  }
  return 0;
}
