// Window-thread cost of one refresh tick of the real main window over many
// rows: nothing changed since the last tick, every row's bytes changed, and
// every row's state and bytes changed. Ticks are timed on the window thread
// itself; the figures are medians.
#include <windows.h>
// commctrl.h needs the types of windows.h.
#include <commctrl.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "bench/common/stats.h"
#include "bench/windows/bench_modes.h"
#include "bench/windows/window_runner.h"
#include "engine/copy_job.h"
#include "platform/platform.h"
#include "tests/unit/support/test_jobs.h"
#include "ui/main/file_list.h"
#include "ui/main/list_refresh.h"
#include "ui/main/main_state.h"

namespace {

constexpr int kUnchangedTicks = 21;
constexpr int kChangedTicks = 11;
constexpr int kVisibleAdds = 200;
constexpr int64_t kJobSize = 1 << 30;

double tick_us() {
  LARGE_INTEGER start;
  LARGE_INTEGER end;
  LARGE_INTEGER frequency;
  QueryPerformanceFrequency(&frequency);
  QueryPerformanceCounter(&start);
  refresh_list();
  QueryPerformanceCounter(&end);
  return static_cast<double>(end.QuadPart - start.QuadPart) * 1e6 /
         static_cast<double>(frequency.QuadPart);
}

// Rows as Add makes them, without touching the disk: the refresh reads only
// the jobs.
void add_rows(std::vector<JobRow*>* rows, int count) {
  CopyParam param = test_copy_param(kDefaultBufferSize, kDefaultMaxAttempts);
  while (static_cast<int>(rows->size()) < count) {
    char name[32];
    std::snprintf(name, sizeof name, "file_%05d.bin", static_cast<int>(rows->size()));
    const std::string source = std::string("C:\\data\\incoming\\") + name;
    JobRow* row =
        make_test_row(source, "D:\\copies\\" + std::string(name), kJobSize, 0, param).release();
    append_job_row(row, name, source.c_str());
    rows->push_back(row);
  }
}

// `change`: 0 nothing, 1 every row's bytes, 2 every row's state and bytes.
// `best`, when given, receives the fastest tick: the one least disturbed by
// the rest of a shared machine.
double median_tick(WindowRunner* window, std::vector<JobRow*>* rows, int change, int ticks,
                   double* best = nullptr) {
  std::vector<double> times;
  for (int t = 0; t < ticks; ++t) {
    window->run([&] {
      for (JobRow* row : *rows) {
        if (change >= 1) row->job->bytes_copied.fetch_add(4096);
        if (change == 2) {
          row->job->state.store(row->job->state.load() == JOB_QUEUED ? JOB_ERROR : JOB_QUEUED);
        }
      }
      times.push_back(tick_us());
    });
  }
  if (best) *best = *std::min_element(times.begin(), times.end());
  return median(times);
}

// Microseconds per row of the calls an unchanged tick makes for every row:
// the row's record asked by a sent message and by a call of the list's window
// procedure, and a counter reading.
struct RowParts {
  double sent = 0;
  double called = 0;
  double counter = 0;
};

template <typename Call>
double per_row_us(int count, Call call) {
  const double start = now_seconds();
  for (int row = 0; row < count; ++row) call(row);
  return (now_seconds() - start) * 1e6 / count;
}

LRESULT record_by_call(WNDPROC proc, HWND list, int row) {
  LVITEMA item = {};
  item.mask = LVIF_PARAM;
  item.iItem = row;
  return CallWindowProcA(proc, list, LVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&item));
}

RowParts row_parts(int count) {
  RowParts parts;
  HWND list = main_window.list;
  WNDPROC proc = reinterpret_cast<WNDPROC>(GetWindowLongPtrA(list, GWLP_WNDPROC));
  volatile int64_t sink = 0;
  parts.sent =
      per_row_us(count, [&](int row) { sink = sink + (row_record(list, row) != nullptr); });
  parts.called = per_row_us(count, [&](int row) { sink = sink + record_by_call(proc, list, row); });
  parts.counter = per_row_us(count, [&](int) { sink = sink + counter_now(); });
  return parts;
}

// One line of the table: the ticks over `count` rows and the parts of a row.
void print_ticks(WindowRunner* window, std::vector<JobRow*>* rows, int count) {
  median_tick(window, rows, 0, 2);  // the first tick shows every new row
  double same_best = 0;
  const double same = median_tick(window, rows, 0, kUnchangedTicks, &same_best);
  const double bytes = median_tick(window, rows, 1, kChangedTicks);
  const double state = median_tick(window, rows, 2, kChangedTicks);
  RowParts parts;
  if (count > 0) window->run([&] { parts = row_parts(count); });
  std::printf("| %d | %.0f | %.0f | %.0f | %.0f | %.2f / %.2f / %.2f | %s |\n", count, same,
              same_best, bytes, state, parts.sent, parts.called, parts.counter,
              same < 5000 ? "holds" : "**fails**");
  std::fprintf(stderr, "  %d rows: %.0f / %.0f / %.0f us\n", count, same, bytes, state);
}

// Milliseconds per row that Add's append costs on the shown window, over the
// first rows.
double visible_add_ms(WindowRunner* window, std::vector<JobRow*>* rows) {
  const double start = now_seconds();
  window->run([&] { add_rows(rows, kVisibleAdds); });
  return (now_seconds() - start) * 1000 / kVisibleAdds;
}

}  // namespace

int refresh_bench(int argc, char** argv) {
  prepare_window_process();
  BenchSettings settings;
  bench_settings(&settings, "D:\\copies", 0x7FFFFFFF);  // only the timed ticks refresh
  WindowRunner window(&settings);
  if (!window.opened()) return 1;
  std::printf(
      "| Rows | Nothing changed (µs) | Nothing changed, fastest tick (µs) | Every row's bytes "
      "changed (µs) | Every row's state and bytes changed (µs) | Per row: record by message / by "
      "procedure call / counter reading (µs) | Under 5 ms |\n|---|---|---|---|---|---|---|\n");
  std::vector<JobRow*> rows;
  print_ticks(&window, &rows, 0);  // what a tick costs besides its rows
  const double shown_add_ms = visible_add_ms(&window, &rows);
  double hidden_add_ms = 0;
  for (int i = 0; i < argc; ++i) {
    const int count = std::atoi(argv[i]);
    // The window takes rows far faster while hidden; the ticks run on the
    // shown window.
    ShowWindow(window.window(), SW_HIDE);
    const double start = now_seconds();
    const int before = static_cast<int>(rows.size());
    window.run([&] { add_rows(&rows, count); });
    if (count > before) hidden_add_ms = (now_seconds() - start) * 1000 / (count - before);
    ShowWindow(window.window(), SW_SHOW);
    print_ticks(&window, &rows, count);
  }
  std::printf(
      "\nAppending a row as Add does: %.2f ms per row on the shown window (first %d rows), "
      "%.3f ms on the hidden window.\n",
      shown_add_ms, kVisibleAdds, hidden_add_ms);
  return 0;
}
