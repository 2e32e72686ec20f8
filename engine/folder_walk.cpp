#include "engine/folder_walk.h"

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <mutex>
#include <utility>

#include "engine/copy_job.h"
#include "engine/window_host.h"
#include "platform/platform.h"

namespace {

// A batch goes to the window thread when it holds this many rows, or when
// this long has passed since the last one: big enough that a row costs the
// window little, small enough that the window stays quick and the status
// line counts on.
constexpr size_t kBatchRows = 256;
constexpr int64_t kBatchMs = 100;

struct Walk {
  std::mutex lock;  // guards `roots` and `done`
  std::deque<WalkRoot> roots;
  bool done = false;  // the thread has found no root left and ends
  std::atomic<bool> cancel{false};
  WalkDelivery deliver = nullptr;
  platform::Thread* thread = nullptr;
};

// The walk the window started last; the window thread's alone.
Walk* current_walk = nullptr;

// What the walk's thread keeps while it goes: the batch being filled, and the
// row made last, held back so that the empty folders met after it can still
// be given to it before any worker may see it.
struct Walker {
  Walk* walk;
  WalkBatch batch;
  JobRow* held = nullptr;
  std::string held_name;
  std::vector<std::string> empty_folders;  // met since the last row made
  int64_t batch_start = 0;
};

char separator() { return platform::path_separators()[0]; }

std::string joined(const std::string& folder, const std::string& name) {
  if (folder.empty()) return name;
  const bool ends = std::strchr(platform::path_separators(), folder.back()) != nullptr;
  return ends ? folder + name : folder + separator() + name;
}

// The last name of a path, without trailing separators; a drive's letter for
// a drive's root ("D:\" gives "D").
std::string last_name(const std::string& path) {
  std::string trimmed = path;
  while (!trimmed.empty() && std::strchr(platform::path_separators(), trimmed.back()) != nullptr)
    trimmed.pop_back();
  const size_t drive = platform::drive_length(trimmed.c_str());
  if (drive > 0 && trimmed.size() == drive) return trimmed.substr(0, drive - 1);
  const size_t at = trimmed.find_last_of(platform::path_separators());
  return at == std::string::npos ? trimmed : trimmed.substr(at + 1);
}

void free_rows(WalkBatch* batch) {
  for (JobRow* row : batch->rows) free_job_row(row);
  batch->rows.clear();
}

struct Delivery {
  Walk* walk;
  WalkBatch* batch;
};

// Window thread. Once closing has begun nothing more is handed over.
void deliver_on_window_thread(void* context) {
  Delivery* delivery = static_cast<Delivery*>(context);
  if (!delivery->walk->cancel.load()) delivery->walk->deliver(delivery->batch);
}

void flush(Walker* walker) {
  WalkBatch* batch = &walker->batch;
  const WindowHost* host = window_host();
  if (host && !walker->walk->cancel.load()) {
    Delivery delivery{walker->walk, batch};
    host->run_on_window_thread(deliver_on_window_thread, &delivery);
  }
  if (!batch->taken) free_rows(batch);
  const int found = batch->found;
  *batch = WalkBatch();
  batch->found = found;
  walker->batch_start = platform::counter_now();
}

bool batch_due(const Walker* walker) {
  return walker->batch.rows.size() >= kBatchRows ||
         platform::ms_since(walker->batch_start) >= kBatchMs;
}

void release_held(Walker* walker) {
  if (!walker->held) return;
  walker->batch.rows.push_back(walker->held);
  walker->batch.names.push_back(walker->held_name);
  walker->held = nullptr;
}

// A new row becomes the held one; the one held before joins the batch.
void add_row(Walker* walker, JobRow* row, const std::string& name) {
  row->job->makes_folders = true;
  row->job->empty_folders.swap(walker->empty_folders);
  release_held(walker);
  walker->held = row;
  walker->held_name = name;
  walker->batch.found++;
  if (batch_due(walker)) flush(walker);
}

// The end of a chosen folder: its last empty folders go with its last row,
// or are made now when it has no file at all.
void end_root(Walker* walker) {
  if (walker->held) {
    std::vector<std::string>& folders = walker->held->job->empty_folders;
    folders.insert(folders.end(), walker->empty_folders.begin(), walker->empty_folders.end());
  } else if (!walker->walk->cancel.load()) {
    for (const std::string& folder : walker->empty_folders) platform::make_folders(folder.c_str());
  }
  walker->empty_folders.clear();
  release_held(walker);
}

struct Place {
  std::string source;  // the folder, full path
  std::string dest;    // where it goes, full path
  std::string shown;   // where it goes below the destination folder
};

void add_file(Walker* walker, const Place& folder, const platform::FolderEntry& entry,
              const CopyParam& settings) {
  platform::PathInfo info{};
  info.size = entry.size;
  info.last_write = entry.last_write;
  const std::string source = joined(folder.source, entry.name);
  JobRow* row =
      create_job_at(source.c_str(), info, joined(folder.dest, entry.name).c_str(), settings);
  if (!row) {
    walker->batch.failed.push_back(source);
    return;
  }
  add_row(walker, row, joined(folder.shown, entry.name));
}

bool is_digit(char c) { return c >= '0' && c <= '9'; }

// The end of the run of digits at `at`, and in `first` its first digit that is
// not a leading zero.
size_t digits_end(const std::string& text, size_t at, size_t* first) {
  size_t end = at;
  while (end < text.size() && is_digit(text[end])) ++end;
  *first = at;
  while (*first + 1 < end && text[*first] == '0') ++*first;
  return end;
}

// Whether name key `a` comes before `b` as a user reads them: a run of digits
// by its number ("2" before "10"), every other byte as it is.
bool reads_before(const std::string& a, const std::string& b) {
  size_t i = 0;
  size_t j = 0;
  while (i < a.size() && j < b.size()) {
    if (!is_digit(a[i]) || !is_digit(b[j])) {
      if (a[i] != b[j]) return static_cast<unsigned char>(a[i]) < static_cast<unsigned char>(b[j]);
      ++i;
      ++j;
      continue;
    }
    size_t a_first = 0;
    size_t b_first = 0;
    const size_t a_end = digits_end(a, i, &a_first);
    const size_t b_end = digits_end(b, j, &b_first);
    if (a_end - a_first != b_end - b_first) return a_end - a_first < b_end - b_first;
    const int order = a.compare(a_first, a_end - a_first, b, b_first, b_end - b_first);
    if (order != 0) return order < 0;
    i = a_end;
    j = b_end;
  }
  return i == a.size() && j < b.size();
}

// A folder's entries as a user reads them: letters without case, numbers by
// value; names that read alike ("File01", "file1") in their own order.
void sort_by_name(std::vector<platform::FolderEntry>* entries) {
  std::vector<std::pair<std::string, size_t>> keys;
  keys.reserve(entries->size());
  for (size_t i = 0; i < entries->size(); ++i) {
    keys.push_back({platform::name_key((*entries)[i].name) + '\0' + (*entries)[i].name, i});
  }
  std::sort(keys.begin(), keys.end(), [](const auto& a, const auto& b) {
    if (reads_before(a.first, b.first)) return true;
    return !reads_before(b.first, a.first) && a.first < b.first;
  });
  std::vector<platform::FolderEntry> sorted;
  sorted.reserve(entries->size());
  for (const auto& key : keys) sorted.push_back(std::move((*entries)[key.second]));
  entries->swap(sorted);
}

// Lists one folder: its files become rows in name order, its folders are
// returned in name order to be walked after them.
std::vector<Place> walk_folder(Walker* walker, const Place& folder, const CopyParam& settings) {
  std::vector<Place> folders;
  std::vector<platform::FolderEntry> entries;
  if (!platform::list_folder(folder.source.c_str(), &entries)) {
    walker->batch.failed.push_back(folder.source);
    return folders;
  }
  sort_by_name(&entries);
  bool holds_any = false;
  for (const platform::FolderEntry& entry : entries) {
    if (walker->walk->cancel.load()) break;
    if (entry.unheld) {
      walker->batch.unheld.push_back({folder.source, entry.name});
    } else if (entry.elsewhere) {
      walker->batch.links.push_back(joined(folder.source, entry.name));
    } else if (entry.is_directory) {
      folders.push_back({joined(folder.source, entry.name), joined(folder.dest, entry.name),
                         joined(folder.shown, entry.name)});
    } else {
      add_file(walker, folder, entry, settings);
    }
    holds_any = holds_any || (!entry.unheld && !entry.elsewhere);
  }
  // A folder without a file or folder to copy exists at the destination only
  // if it is made on purpose.
  if (!holds_any) walker->empty_folders.push_back(folder.dest);
  return folders;
}

// A whole tree: each folder's files, then its folders one by one, each
// with all that lies below it.
void walk_tree(Walker* walker, const WalkRoot& root) {
  char* dest_folder = absolute_dest(root.settings.dest_folder);
  if (!dest_folder) {
    walker->batch.failed.push_back(root.path);
    return;
  }
  const std::string name = last_name(root.path);
  std::vector<Place> pending = {{root.path, joined(dest_folder, name), name}};
  std::free(dest_folder);
  while (!pending.empty() && !walker->walk->cancel.load()) {
    const Place folder = pending.back();
    pending.pop_back();
    std::vector<Place> inside = walk_folder(walker, folder, root.settings);
    pending.insert(pending.end(), inside.rbegin(), inside.rend());
  }
  end_root(walker);
}

// A chosen file becomes a row as Add makes it.
void walk_file(Walker* walker, const WalkRoot& root) {
  char name[kFileNameCapacity] = "";
  JobRow* row = create_job(root.path.c_str(), root.settings, name);
  if (!row) {
    walker->batch.failed.push_back(root.path);
    return;
  }
  walker->batch.rows.push_back(row);
  walker->batch.names.push_back(name);
  walker->batch.found++;
}

void walk_root(Walker* walker, const WalkRoot& root) {
  platform::PathInfo info;
  if (!platform::look_up(root.path.c_str(), &info)) {
    walker->batch.failed.push_back(root.path);
  } else if (info.is_directory) {
    walk_tree(walker, root);
  } else {
    walk_file(walker, root);
  }
}

bool next_root(Walk* walk, WalkRoot* root) {
  std::lock_guard<std::mutex> lock(walk->lock);
  if (walk->roots.empty() || walk->cancel.load()) return false;
  *root = walk->roots.front();
  walk->roots.pop_front();
  return true;
}

// True when the thread may end: no root came while the last batch went.
bool finish(Walk* walk) {
  std::lock_guard<std::mutex> lock(walk->lock);
  if (!walk->roots.empty() && !walk->cancel.load()) return false;
  walk->done = true;
  return true;
}

uint32_t walk_thread(void* argument) {
  Walker walker;
  walker.walk = static_cast<Walk*>(argument);
  walker.batch_start = platform::counter_now();
  do {
    WalkRoot root;
    while (next_root(walker.walk, &root)) walk_root(&walker, root);
    walker.batch.last = true;
    flush(&walker);
  } while (!finish(walker.walk));
  return 0;
}

// Window thread: forgets a walk that is done; its thread only returns after
// that, so the wait is short and calls into nothing.
void forget_walk() {
  if (!current_walk) return;
  platform::wait_thread(current_walk->thread);
  platform::close_thread(current_walk->thread);
  delete current_walk;
  current_walk = nullptr;
}

}  // namespace

bool walk_add(const WalkRoot& chosen, WalkDelivery deliver) {
  WalkRoot root = chosen;
  // A folder read from a damaged record may lack its NUL.
  root.settings.dest_folder[kFolderCapacity - 1] = '\0';
  if (current_walk) {
    std::lock_guard<std::mutex> lock(current_walk->lock);
    if (!current_walk->done) {
      current_walk->roots.push_back(root);
      return true;
    }
  }
  forget_walk();
  Walk* walk = new Walk;
  walk->deliver = deliver;
  walk->roots.push_back(root);
  walk->thread = platform::start_thread(walk_thread, walk);
  if (!walk->thread) {
    delete walk;
    return false;
  }
  current_walk = walk;
  return true;
}

bool stop_walk(uint32_t limit_ms) {
  if (!current_walk) return true;
  current_walk->cancel.store(true);
  const WindowHost* host = window_host();
  const bool ended = host ? host->wait_serving(current_walk->thread, limit_ms)
                          : platform::wait_thread_for(current_walk->thread, limit_ms);
  if (!ended) {
    // The thread still uses the walk: both are left to the process's end.
    current_walk = nullptr;
    return false;
  }
  forget_walk();
  return true;
}
