// Which source writes each destination of the queue. Two different sources
// must never share one destination file: the second would empty or extend the
// first one's copy. Nor may a row write a file that a row of the queue reads:
// it would overwrite that source, perhaps before it is copied. Paths compare
// as the file system compares them (platform::path_key): "C:\Out\X.BIN" and
// "c:\out\x.bin" are one file.
#pragma once

#include <string>
#include <unordered_map>
#include <unordered_set>

struct DestPaths {
  std::unordered_map<std::string, std::string> source_of;  // keys of both paths
  std::unordered_set<std::string> sources;                 // keys
};

// Records `dest_path` as written by `source_path`. False, recording nothing,
// when a different source already has that destination, when the destination
// is a recorded source (its own included), or when the source is a recorded
// destination; the same source may claim its destination again (a file added
// twice).
bool claim_dest(DestPaths* paths, const char* source_path, const char* dest_path);

// True when a row of the queue already copies `source_path`: a file chosen
// again is not queued twice (its second row would empty the first one's copy).
bool source_queued(const DestPaths& paths, const char* source_path);

struct CopyJob;

// Window thread: records the paths of every row's job but `except`'s, as the
// queue stands now. Rows that already conflict stay as they are.
void claim_queue_dests(DestPaths* paths, const CopyJob* except);
// Window thread: a count that grows whenever rows leave the queue, come in
// by Add, or take another destination. A folder's walk keeps the queue's
// destinations from batch to batch and takes them afresh when it has grown.
unsigned queue_edits();
void note_queue_edit();
// Window thread: true when `job` may not write `dest_path`: another row with
// a different source writes it, a row reads it, or a row writes the job's
// source.
bool dest_taken(const CopyJob* job, const char* dest_path);
