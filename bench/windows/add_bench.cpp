// Add of many files through the real open dialog of the real main window:
// Add is pressed, the dialog is sent to the folder, every file of it is typed
// into the file-name field as "a" "b" ..., and Open is pressed; the time runs
// from Open until every row is in the list and the window has painted them.
// Beside it, "Добавить папку..." of a tree: the folder typed into the
// picker's name box, timed from its button until every row is in and painted,
// with the longest the window took to answer meanwhile. Each round opens a
// new window. Results as JSON on stdout.
#include <windows.h>
// commctrl.h and commdlg.h need the types of windows.h.
#include <commctrl.h>
#include <commdlg.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "bench/common/json_results.h"
#include "bench/common/stats.h"
#include "bench/windows/bench_modes.h"
#include "bench/windows/file_set.h"
#include "bench/windows/window_runner.h"
#include "engine/copy_job.h"
#include "res/resource.h"
#include "tests/e2e/driver/file_name_field.h"
#include "ui/main/file_list.h"
#include "ui/main/main_window_state.h"

namespace {

constexpr int kFileSize = 4096;
constexpr DWORD kWaitLimitMs = 60000;

struct DialogSearch {
  HWND owner;
  HWND found;
};

BOOL CALLBACK match_dialog(HWND window, LPARAM context) {
  DialogSearch* search = reinterpret_cast<DialogSearch*>(context);
  char name[64] = "";
  GetClassNameA(window, name, sizeof name);
  if (lstrcmpA(name, "#32770") == 0 && IsWindowVisible(window) &&
      GetWindow(window, GW_OWNER) == search->owner) {
    search->found = window;
    return FALSE;
  }
  return TRUE;
}

HWND wait_open_dialog(HWND owner) {
  DialogSearch search{owner, nullptr};
  const DWORD thread = GetWindowThreadProcessId(owner, nullptr);
  for (DWORD waited = 0; !search.found && waited < kWaitLimitMs; waited += 5) {
    EnumThreadWindows(thread, match_dialog, reinterpret_cast<LPARAM>(&search));
    if (!search.found) Sleep(5);
  }
  return search.found;
}

void type_and_open(HWND dialog, const std::string& text) {
  SendMessageA(file_name_field(dialog), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()));
  PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED),
               reinterpret_cast<LPARAM>(GetDlgItem(dialog, IDOK)));
}

// Typed into the file-name field with Open, a folder is browsed into.
bool go_to_folder(HWND dialog, const std::string& folder) {
  type_and_open(dialog, folder);
  for (DWORD waited = 0; waited < kWaitLimitMs; waited += 5) {
    // A Unicode dialog answers in UTF-16; the benchmark's folders are ASCII.
    wchar_t shown[MAX_PATH + 1] = L"";
    SendMessageW(dialog, CDM_GETFOLDERPATH, MAX_PATH, reinterpret_cast<LPARAM>(shown));
    if (lstrcmpiW(shown, std::wstring(folder.begin(), folder.end()).c_str()) == 0) return true;
    Sleep(5);
  }
  return false;
}

struct AddTimes {
  double folder_s = 0;  // from Add until the dialog shows the folder
  double dialog_s = 0;  // from Open until the dialog has gone
  double rows_s = 0;    // from Open until every row is shown
};

bool fail(const char* why) {
  std::fprintf(stderr, "add: %s\n", why);
  return false;
}

int list_rows(HWND list) { return static_cast<int>(SendMessageA(list, LVM_GETITEMCOUNT, 0, 0)); }

bool add_round(const FileSet& set, const std::string& dest, AddTimes* times) {
  BenchSettings settings;
  bench_settings(&settings, dest, 0);
  WindowRunner window(&settings);
  if (!window.opened()) return false;
  HWND list = GetDlgItem(window.window(), IDC_FILE_LIST);
  double start = now_seconds();
  PostMessageA(window.window(), WM_COMMAND, IDC_ADD, 0);
  HWND dialog = wait_open_dialog(window.window());
  if (!dialog) return fail("no open dialog");
  if (!go_to_folder(dialog, set.folder)) {
    PostMessageA(dialog, WM_COMMAND, IDCANCEL, 0);  // the window closes only without it
    return fail("the dialog does not go to the folder");
  }
  times->folder_s = now_seconds() - start;
  std::string chosen;
  for (int i = 0; i < set.count; ++i) chosen += "\"" + file_name(i) + "\" ";
  start = now_seconds();
  type_and_open(dialog, chosen);
  while (IsWindow(dialog)) Sleep(1);
  times->dialog_s = now_seconds() - start;
  // Answered once the window thread has appended the whole batch.
  if (list_rows(list) != set.count) return fail("rows missing");
  window.run([&] {
    RedrawWindow(window.window(), nullptr, nullptr,
                 RDW_INVALIDATE | RDW_ALLCHILDREN | RDW_UPDATENOW);
  });
  times->rows_s = now_seconds() - start;
  bool in_order = true;
  window.run([&] {
    for (int i = 0; i < set.count; ++i) {
      const JobRow* row = row_record(list, i);
      in_order = in_order && row && file_path(set, i) == row->job->source_path;
    }
  });
  return in_order || fail("rows out of order");
}

// A tree of `folders` folders of `per_folder` files each under `root`.
bool make_tree(const std::string& root, int folders, int per_folder) {
  CreateDirectoryA(root.c_str(), nullptr);
  for (int i = 0; i < folders; ++i) {
    if (!make_files({root + "\\" + std::to_string(i), per_folder, kFileSize})) return false;
  }
  return true;
}

void remove_tree(const std::string& root, int folders, int per_folder) {
  for (int i = 0; i < folders; ++i) {
    const std::string folder = root + "\\" + std::to_string(i);
    remove_files(folder, per_folder);
    RemoveDirectoryA(folder.c_str());
  }
  RemoveDirectoryA(root.c_str());
}

struct FolderTimes {
  double rows_s = 0;      // from the picker's button until every row is shown
  double longest_ms = 0;  // the longest the window took to answer meanwhile
};

// Asks the list its row count, as any caller would; the time the window took
// to answer goes into `longest_ms`.
int timed_rows(HWND list, double* longest_ms) {
  const double asked = now_seconds();
  const int rows = list_rows(list);
  const double answered_ms = (now_seconds() - asked) * 1000;
  if (answered_ms > *longest_ms) *longest_ms = answered_ms;
  return rows;
}

bool folder_round(const std::string& root, int files, const std::string& dest, FolderTimes* times) {
  BenchSettings settings;
  bench_settings(&settings, dest, 0);
  WindowRunner window(&settings);
  if (!window.opened()) return false;
  HWND list = GetDlgItem(window.window(), IDC_FILE_LIST);
  PostMessageA(window.window(), WM_COMMAND, IDM_ADD_FOLDER, 0);
  HWND picker = wait_open_dialog(window.window());
  if (!picker) return fail("no folder picker");
  const double start = now_seconds();
  type_and_open(picker, root);
  while (timed_rows(list, &times->longest_ms) < files) {
    if (now_seconds() - start > kWaitLimitMs / 1000.0) return fail("rows missing");
    Sleep(1);
  }
  window.run([&] {
    RedrawWindow(window.window(), nullptr, nullptr,
                 RDW_INVALIDATE | RDW_ALLCHILDREN | RDW_UPDATENOW);
  });
  times->rows_s = now_seconds() - start;
  return true;
}

}  // namespace

int add_folder_bench(int, char** argv) {
  const std::string folder = argv[0];
  const std::string dest = argv[1];
  const int rounds = std::atoi(argv[2]);
  const int files = std::atoi(argv[3]);
  const int folders = std::atoi(argv[4]);
  prepare_window_process();
  CreateDirectoryA(folder.c_str(), nullptr);
  const std::string root = folder + "\\tree";
  const int per_folder = files / folders;
  if (!make_tree(root, folders, per_folder)) return fail("cannot make the tree") ? 0 : 1;
  std::vector<double> rows, longest;
  for (int round = 0; round < rounds; ++round) {
    FolderTimes times;
    if (!folder_round(root, per_folder * folders, dest, &times)) return 1;
    rows.push_back(times.rows_s);
    longest.push_back(times.longest_ms);
    std::fprintf(stderr, "  %d files in %d folders, round %d: %.3f s (longest answer %.0f ms)\n",
                 per_folder * folders, folders, round + 1, times.rows_s, times.longest_ms);
  }
  remove_tree(root, folders, per_folder);
  JsonObject()
      .count("files", per_folder * folders)
      .count("folders", folders)
      .count("rounds", rounds)
      .number("rows_shown_s", median(rows))
      .number("longest_answer_ms", median(longest))
      .print();
  return 0;
}

int add_bench(int argc, char** argv) {
  const std::string folder = argv[0];
  const std::string dest = argv[1];
  const int rounds = std::atoi(argv[2]);
  prepare_window_process();
  CreateDirectoryA(folder.c_str(), nullptr);
  std::vector<JsonObject> results;
  for (int i = 3; i < argc; ++i) {
    const FileSet set{folder + "\\" + argv[i], std::atoi(argv[i]), kFileSize};
    if (!make_files(set)) return fail("cannot make the files") ? 0 : 1;
    std::vector<double> rows, dialog, to_folder;
    for (int round = 0; round < rounds; ++round) {
      AddTimes times;
      if (!add_round(set, dest, &times)) return 1;
      rows.push_back(times.rows_s);
      dialog.push_back(times.dialog_s);
      to_folder.push_back(times.folder_s);
      std::fprintf(stderr, "  %d files, round %d: %.3f s (dialog %.3f s)\n", set.count, round + 1,
                   times.rows_s, times.dialog_s);
    }
    remove_files(set.folder, set.count);
    RemoveDirectoryA(set.folder.c_str());
    results.push_back(JsonObject()
                          .count("files", set.count)
                          .number("rows_shown_s", median(rows))
                          .number("open_dialog_s", median(dialog))
                          .number("folder_shown_s", median(to_folder)));
  }
  JsonObject().count("rounds", rounds).rows("adds", results).print();
  return 0;
}
