#include "ui/main/folder_add.h"

// DROPFILES, the block behind a drop.
#include <shlobj.h>

#include <cstdlib>
#include <cstring>
#include <vector>

#include "engine/copy_job.h"
#include "engine/dest_paths.h"
#include "engine/folder_walk.h"
#include "engine/run_flags.h"
#include "platform/win32/wide_text.h"
#include "res/string_ids.h"
#include "ui/dialogs/dialog_items.h"
#include "ui/main/file_list.h"
#include "ui/main/folder_picker.h"
#include "ui/main/list_refresh.h"
#include "ui/main/main_window_state.h"
#include "ui/main/queue_store.h"

namespace {

// What the window keeps of the walks under way, on its own thread: the
// queue's destinations, taken once and kept from batch to batch (afresh only
// when the queue was edited meanwhile), and what was left out, told at the
// end.
struct Reception {
  DestPaths dests;
  bool dests_taken = false;
  unsigned seen_edits = 0;
  int already_queued = 0;
  std::vector<std::string> failed;
  std::vector<std::wstring> unheld;
  std::vector<std::string> links;
  std::string status;
} reception;

void take_queue_dests() {
  if (reception.dests_taken && reception.seen_edits == queue_edits()) return;
  reception.dests = DestPaths();
  claim_queue_dests(&reception.dests, nullptr);
  reception.dests_taken = true;
  reception.seen_edits = queue_edits();
}

// A row left out still leaves its tree's empty folders to be made.
void leave_out(JobRow* row) {
  for (const std::string& folder : row->job->empty_folders) platform::make_folders(folder.c_str());
  free_job_row(row);
}

// As Add: a source already queued is counted, a destination another source
// writes is refused.
void append_walked(JobRow* row, const std::string& name) {
  const CopyJob* job = row->job;
  if (source_queued(reception.dests, job->source_path)) {
    reception.already_queued++;
    leave_out(row);
  } else if (!claim_dest(&reception.dests, job->source_path, job->dest_path)) {
    reception.failed.push_back(job->source_path);
    leave_out(row);
  } else {
    append_job_row(row, name.c_str(), job->source_path);
  }
}

void note_left_out(const WalkBatch& batch) {
  reception.failed.insert(reception.failed.end(), batch.failed.begin(), batch.failed.end());
  reception.links.insert(reception.links.end(), batch.links.begin(), batch.links.end());
  for (const UnheldName& name : batch.unheld) {
    std::wstring folder;
    platform::widen(name.folder.c_str(), &folder);
    reception.unheld.push_back(folder + L"\\" + platform::wide_of_utf8(name.name));
  }
}

void show_status(int found) {
  char* text = format_text(IDS_ADDING_FILES, found);
  reception.status = text != nullptr ? text : "";
  std::free(text);
  SetWindowTextA(main_window.status, reception.status.c_str());
}

// Window thread: one batch of a walk. Closing takes nothing more; the walk
// frees what it made.
void take_batch(WalkBatch* batch) {
  if (run_flags.closing.load()) return;
  take_queue_dests();
  HWND list = main_window.list;
  // Appended unpainted and shown in one repaint, as Add's rows.
  SendMessageA(list, WM_SETREDRAW, FALSE, 0);
  for (size_t i = 0; i < batch->rows.size(); ++i) append_walked(batch->rows[i], batch->names[i]);
  SendMessageA(list, WM_SETREDRAW, TRUE, 0);
  InvalidateRect(list, nullptr, TRUE);
  batch->taken = true;
  note_left_out(*batch);
  show_status(batch->found);
  if (batch->last) {
    reception.status.clear();
    refresh_list();  // the status line shows the queue's totals again
    reception.dests = DestPaths();
    reception.dests_taken = false;
    PostMessageA(main_window.window, kShowAddSummary, 0, 0);
  }
}

// Whether `drop` is a block of dropped names: the system's own, not a value
// another program posted. Its names must end inside the block.
bool is_drop(HDROP drop) {
  const SIZE_T size = GlobalSize(drop);
  if (size < sizeof(DROPFILES)) return false;
  const DROPFILES* files = static_cast<const DROPFILES*>(GlobalLock(drop));
  if (files == nullptr) return false;
  const char* bytes = reinterpret_cast<const char*>(files);
  // Two NULs in a row, of the names' width, end the list.
  const size_t unit = files->fWide ? sizeof(wchar_t) : 1;
  const char kEnd[2 * sizeof(wchar_t)] = {};
  bool ended = false;
  for (size_t at = files->pFiles; !ended && at + 2 * unit <= size; at += unit) {
    ended = std::memcmp(bytes + at, kEnd, 2 * unit) == 0;
  }
  GlobalUnlock(drop);
  return files->pFiles >= sizeof(DROPFILES) && ended;
}

std::wstring dropped_path(HDROP drop, UINT index) {
  const UINT length = DragQueryFileW(drop, index, nullptr, 0);
  std::wstring path(length + 1, L'\0');
  const UINT got = DragQueryFileW(drop, index, &path[0], length + 1);
  path.resize(got);
  return path;
}

}  // namespace

void reset_adding() { reception = Reception(); }

void add_folder(HWND window) {
  std::wstring folder;
  if (pick_folder(window, &folder)) add_chosen_root(window, folder);
}

void add_chosen_root(HWND window, const std::wstring& path) {
  std::string narrow_path;
  if (!platform::narrow(path, &narrow_path)) {
    warn_wide(window, IDS_NAME_UNHELD, path);
    return;
  }
  const WalkRoot root{narrow_path, *main_window.param->copy_ref};
  if (!walk_add(root, take_batch)) warn(window, IDS_ADD_FAILED, narrow_path.c_str());
}

void add_dropped(HWND window, HDROP drop) {
  if (!is_drop(drop)) return;
  // A drop lands only where the window takes input: not under a dialog.
  if (IsWindowEnabled(window)) {
    const UINT count = DragQueryFileW(drop, 0xFFFFFFFF, nullptr, 0);
    for (UINT index = 0; index < count; ++index) {
      const std::wstring path = dropped_path(drop, index);
      if (!path.empty()) add_chosen_root(window, path);
    }
  }
  DragFinish(drop);
}

void show_add_summary(HWND window) {
  queue_changed();
  // Taken first: a box waits for the user while another walk may go on.
  Reception told;
  std::swap(told.already_queued, reception.already_queued);
  std::swap(told.failed, reception.failed);
  std::swap(told.unheld, reception.unheld);
  std::swap(told.links, reception.links);
  if (told.already_queued > 0) warn(window, IDS_ALREADY_QUEUED, told.already_queued);
  if (told.failed.size() == 1) warn(window, IDS_ADD_FAILED, told.failed[0].c_str());
  if (told.failed.size() > 1) {
    warn(window, IDS_FILES_NOT_ADDED, static_cast<int>(told.failed.size()), told.failed[0].c_str());
  }
  if (told.unheld.size() == 1) warn_wide(window, IDS_NAME_UNHELD, told.unheld[0]);
  if (told.unheld.size() > 1) {
    warn_wide(window, IDS_NAMES_UNHELD, told.unheld[0], static_cast<int>(told.unheld.size()));
  }
  if (told.links.size() == 1) warn(window, IDS_LINK_SKIPPED, told.links[0].c_str());
  if (told.links.size() > 1) {
    warn(window, IDS_LINKS_SKIPPED, static_cast<int>(told.links.size()), told.links[0].c_str());
  }
}

const char* adding_status() {
  return reception.status.empty() ? nullptr : reception.status.c_str();
}

void end_adding(uint32_t limit_ms) {
  stop_walk(limit_ms);
  reset_adding();
}
