// Window-thread cost of one refresh tick of the real main window over many
// rows: nothing changed since the last tick, one running row, every row's
// bytes changed, and every row's state and bytes changed. Ticks are timed on
// the window thread itself; the figures are medians. Results as JSON on stdout.
#include <windows.h>
// commctrl.h needs the types of windows.h.
#include <commctrl.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "bench/common/json_results.h"
#include "bench/common/stats.h"
#include "bench/windows/bench_modes.h"
#include "bench/windows/window_runner.h"
#include "engine/copy_job.h"
#include "platform/platform.h"
#include "tests/unit/support/test_jobs.h"
#include "ui/main/file_list.h"
#include "ui/main/list_refresh.h"
#include "ui/main/main_window_state.h"
#include "ui/main/queue_store.h"

namespace {

constexpr int kUnchangedTicks = 21;
constexpr int kChangedTicks = 11;
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

// Rows as Add makes them (appended unpainted, then shown at once), without
// touching the disk: the refresh reads only the jobs.
void add_rows(std::vector<JobRow*>* rows, int count) {
  HWND list = main_window.list;
  SendMessageA(list, WM_SETREDRAW, FALSE, 0);
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
  SendMessageA(list, WM_SETREDRAW, TRUE, 0);
  InvalidateRect(list, nullptr, TRUE);
}

enum Change { kNothing, kOneRunning, kEveryBytes, kEveryState };

void change_rows(std::vector<JobRow*>* rows, Change change) {
  if (change == kOneRunning && !rows->empty()) {
    CopyJob* job = rows->front()->job;
    job->state.store(JOB_RUNNING);
    job->bytes_copied.fetch_add(1 << 20);
  }
  if (change < kEveryBytes) return;
  for (JobRow* row : *rows) {
    row->job->bytes_copied.fetch_add(4096);
    if (change == kEveryState) {
      row->job->state.store(row->job->state.load() == JOB_QUEUED ? JOB_ERROR : JOB_QUEUED);
    }
  }
}

// Each tick's microseconds, in the order they ran.
std::vector<double> ticks(WindowRunner* window, std::vector<JobRow*>* rows, Change change,
                          int count) {
  std::vector<double> times;
  for (int t = 0; t < count; ++t) {
    window->run([&] {
      change_rows(rows, change);
      times.push_back(tick_us());
    });
  }
  return times;
}

// Microseconds per row of the calls an unchanged tick makes for every row:
// the row's record asked by a sent message, by CallWindowProc, and by a
// direct call of the list's procedure (what the refresh does), and a counter
// reading (which an untouched row does not take).
struct RowParts {
  double sent = 0;
  double call_window_proc = 0;
  double direct = 0;
  double counter = 0;
};

template <typename Call>
double per_row_us(int count, Call call) {
  const double start = now_seconds();
  for (int row = 0; row < count; ++row) call(row);
  return (now_seconds() - start) * 1e6 / count;
}

template <typename Item, typename Call>
LRESULT ask_record(UINT message, int row, Call call) {
  Item item = {};
  item.mask = LVIF_PARAM;
  item.iItem = row;
  return call(message, reinterpret_cast<LPARAM>(&item)) + item.lParam;
}

RowParts row_parts(int count) {
  RowParts parts;
  HWND list = main_window.list;
  WNDPROC proc_a = reinterpret_cast<WNDPROC>(GetWindowLongPtrA(list, GWLP_WNDPROC));
  WNDPROC proc_w = reinterpret_cast<WNDPROC>(GetWindowLongPtrW(list, GWLP_WNDPROC));
  volatile int64_t sink = 0;
  parts.sent =
      per_row_us(count, [&](int row) { sink = sink + (row_record(list, row) != nullptr); });
  parts.call_window_proc = per_row_us(count, [&](int row) {
    sink = sink + ask_record<LVITEMA>(LVM_GETITEMA, row, [&](UINT message, LPARAM item) {
             return CallWindowProcA(proc_a, list, message, 0, item);
           });
  });
  parts.direct = per_row_us(count, [&](int row) {
    sink = sink + ask_record<LVITEMW>(LVM_GETITEMW, row, [&](UINT message, LPARAM item) {
             return proc_w(list, message, 0, item);
           });
  });
  parts.counter = per_row_us(count, [&](int) { sink = sink + counter_now(); });
  return parts;
}

// The ticks over `count` rows and the parts of a row. The medians are the
// figures; the fastest unchanged tick is the one least disturbed by the rest
// of a shared machine; every tick of the two judged against a target is kept.
JsonObject tick_results(WindowRunner* window, std::vector<JobRow*>* rows, int count) {
  // The first tick after the rows were added puts in their states.
  const std::vector<double> first = ticks(window, rows, kNothing, 1);
  const std::vector<double> same = ticks(window, rows, kNothing, kUnchangedTicks);
  const std::vector<double> running = ticks(window, rows, kOneRunning, kUnchangedTicks);
  if (!rows->empty()) rows->front()->job->state.store(JOB_QUEUED);
  const double bytes = median(ticks(window, rows, kEveryBytes, kChangedTicks));
  const double state = median(ticks(window, rows, kEveryState, kChangedTicks));
  RowParts parts;
  if (count > 0) window->run([&] { parts = row_parts(count); });
  // With the journal: what the window thread spends handing the queue over.
  double journal = 0;
  window->run([&] {
    const double start = now_seconds();
    queue_changed();
    journal = (now_seconds() - start) * 1e6;
  });
  std::fprintf(stderr, "  %d rows: %.0f / %.0f / %.0f / %.0f us\n", count, median(same),
               median(running), bytes, state);
  return JsonObject()
      .count("rows", count)
      .number("unchanged_us", median(same))
      .number("unchanged_fastest_us", *std::min_element(same.begin(), same.end()))
      .number("one_running_us", median(running))
      .number("first_tick_us", first.front())
      .number("every_bytes_us", bytes)
      .number("every_state_us", state)
      .number("row_sent_message_us", parts.sent)
      .number("row_call_window_proc_us", parts.call_window_proc)
      .number("row_direct_call_us", parts.direct)
      .number("row_counter_us", parts.counter)
      .number("journal_handover_us", journal)
      .numbers("unchanged_ticks_us", same)
      .numbers("one_running_ticks_us", running);
}

}  // namespace

int refresh_bench(int argc, char** argv) {
  prepare_window_process();
  BenchSettings settings;
  bench_settings(&settings, "D:\\copies", 0x7FFFFFFF);  // only the timed ticks refresh
  WindowRunner window(&settings);
  if (!window.opened()) return 1;
  std::vector<JobRow*> rows;
  std::vector<JsonObject> results;
  results.push_back(tick_results(&window, &rows, 0));  // what a tick costs besides its rows
  for (int i = 0; i < argc; ++i) {
    const int count = std::atoi(argv[i]);
    window.run([&] { add_rows(&rows, count); });
    results.push_back(tick_results(&window, &rows, count));
  }
  JsonObject().flag("journal_kept", journal_kept()).rows("ticks", results).print();
  return 0;
}
