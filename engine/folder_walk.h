// Adds whole folders to the queue. A thread of its own walks each chosen
// folder down to its last file, makes a row for every file, in name order
// folder by folder, and hands the rows to the window thread in batches, so
// that the window keeps painting and answering while thousands of files are
// found. A file chosen beside folders (dropped with them) takes the same road
// and becomes a row as Add makes it.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "app/settings_records.h"

struct JobRow;

struct WalkRoot {
  std::string path;    // a folder or a file: full path, the program's code page
  CopyParam settings;  // the global copy settings when it was chosen
};

// A name the program's code page cannot hold, met in `folder`.
struct UnheldName {
  std::string folder;  // the program's code page
  std::string name;    // UTF-8
};

// What the window thread receives, batch after batch.
struct WalkBatch {
  // Owned by the batch until the window thread takes them (`taken`).
  std::vector<JobRow*> rows;
  // Each row's destination below the destination folder ("Фото\2024\a.jpg"),
  // shown as its file name.
  std::vector<std::string> names;
  std::vector<std::string> failed;  // files and folders that could not be read
  std::vector<UnheldName> unheld;
  std::vector<std::string> links;  // folders that lead elsewhere, left out
  int found = 0;       // files found by this walk so far
  bool last = false;   // the walk has ended; no batch follows
  bool taken = false;  // set by the window thread once it owns the rows
};

// Runs on the window thread for every batch; it takes the rows by setting
// `taken`, or leaves them to be freed.
using WalkDelivery = void (*)(WalkBatch* batch);

// Window thread: queues `root` behind those of the walk under way, or starts
// a walk. False when no thread can be started.
bool walk_add(const WalkRoot& root, WalkDelivery deliver);
// Window thread, at closing: no batch is delivered from now on; waits at most
// `limit_ms` for the walk to end while serving the window's calls. False
// when it has not ended (a folder on a dead share): its thread is left to the
// process's end.
bool stop_walk(uint32_t limit_ms);
