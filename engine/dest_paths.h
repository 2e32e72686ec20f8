// Which source writes each destination of the queue. Two different sources
// must never share one destination file: the second would empty or extend the
// first one's copy. Paths compare as the file system compares them
// (platform::path_key): "C:\Out\X.BIN" and "c:\out\x.bin" are one file.
#pragma once

#include <string>
#include <unordered_map>

struct DestPaths {
  std::unordered_map<std::string, std::string> source_of;  // keys of both paths
};

// Records `dest_path` as written by `source_path`. False, recording nothing,
// when a different source already has that destination; the same source may
// claim it again (a file added twice).
bool claim_dest(DestPaths* paths, const char* source_path, const char* dest_path);

struct CopyJob;

// Window thread: claims the destination of every row's job but `except`'s, as
// the queue stands now. Rows that already share a destination stay as they are.
void claim_queue_dests(DestPaths* paths, const CopyJob* except);
// Window thread: true when the job of another row, with a different source,
// already writes `dest_path`.
bool dest_taken(const CopyJob* job, const char* dest_path);
