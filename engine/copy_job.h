// The unit of work of the copy engine: one source file, one destination path,
// the job's own copy of the copy settings, its progress and its state.
#pragma once

#include <atomic>
#include <cstdint>
#include <string>
#include <vector>

#include "app/settings_records.h"
#include "engine/hole_map.h"
#include "platform/platform.h"

// 0..4 in this order: the state texts, icons and row colours are indexed by it.
enum JobState : int32_t { JOB_QUEUED, JOB_RUNNING, JOB_ERROR, JOB_COMPLETED, JOB_WAITING };

constexpr int kStateNameCapacity = 64;
constexpr int kFileNameCapacity = static_cast<int>(platform::kNameCapacity);
// A source's last-write time not yet known (a job made without a look-up).
constexpr int64_t kTimeUnknown = INT64_MIN;

struct CopyJob {
  char* source_path = nullptr;  // owned, malloc'd
  char* dest_path = nullptr;    // owned, malloc'd; replaced only while no worker is started
  // The source the copy is made from: its size and last-write time when the
  // job was made, or when the worker last found it changed. Written by the
  // worker, read by the window thread.
  std::atomic<int64_t> total_size{0};
  std::atomic<int64_t> source_time{kTimeUnknown};
  // Written by the worker, read by the window thread: each one indivisible.
  std::atomic<int64_t> bytes_copied{0};
  // The bytes copied that the destination holds durably (flushed), never
  // more than bytes_copied: what the queue's journal may record.
  std::atomic<int64_t> bytes_durable{0};
  CopyParam param{};
  std::atomic<uint32_t> last_error{0};
  std::atomic<int32_t> step{0};
  std::atomic<int32_t> state{JOB_QUEUED};
  // Set when the destination may not hold what bytes_copied says: found at
  // Add, or after a failed write or flush. Before that file is continued, the
  // worker compares its last block with the source's. Cleared once compared.
  std::atomic<bool> check_dest{false};
  // Set at Add when a destination of this name exists but carries another
  // time than the source's: some other version, written afresh. The worker
  // says so in the log once, as it empties the file.
  std::atomic<bool> stale_dest{false};
  // The byte ranges that could not be read, or null while there are none.
  // Made by the worker at the first hole, freed with the job.
  std::atomic<HoleMap*> holes{nullptr};
  // The two numbers a log step names (a hole's first and end byte; the bytes
  // and holes left). The worker's thread only.
  int64_t step_values[2] = {0, 0};
  // Set on the window thread just before a worker is started for this job and
  // cleared there after the worker has ended: while set, nothing of the job
  // may be freed or replaced.
  std::atomic<bool> worker_started{false};
  // A file of a folder added whole: the destination's missing folders are
  // made before it is opened, and so are `empty_folders`, the folders of the
  // tree that hold nothing to copy. Set when the job is made, then only read.
  bool makes_folders = false;
  std::vector<std::string> empty_folders;
};

struct JobRow {
  // The worker copying this row's job, or null. Written on the window thread.
  std::atomic<platform::Thread*> worker_thread{nullptr};
  int64_t sample_time = 0;
  int64_t sample_bytes = -1;
  int32_t shown_state = -1;
  int64_t shown_size = -1;
  int64_t shown_unread = 0;
  // What the queue's journal last recorded of the job. Window thread.
  int32_t journaled_state = -1;
  int64_t journaled_bytes = -1;
  int64_t journaled_unread = 0;
  CopyJob* job = nullptr;  // owned
};

// A new row and its queued job copying `source_path` to `dest_path`, with its
// own copy of `settings`; null when memory runs out. Nothing is looked up.
JobRow* make_job_row(const char* source_path, const char* dest_path, int64_t total_size,
                     const CopyParam& settings);
// Makes a row and its job for `source_path`; null when the source is missing,
// a directory, or memory runs out. `file_name` (kFileNameCapacity) receives
// the bare name the look-up reported.
JobRow* create_job(const char* source_path, const CopyParam& settings, char* file_name);
// Makes a row and its job for a source already looked up (`source`'s size and
// time) copied to `dest_path`, with the resume detection of create_job; null
// when memory runs out.
JobRow* create_job_at(const char* source_path, const platform::PathInfo& source,
                      const char* dest_path, const CopyParam& settings);
// Before the worker opens the job's destination: its missing folders and the
// job's empty folders, for a job that makes them. False, with the platform's
// error set, when one cannot be made.
bool make_dest_folders(const CopyJob* job);
// True when a destination's last-write time is its source's, at the
// resolution the destination's file system keeps.
bool same_write_time(int64_t source, int64_t dest);
// `path` (a destination folder or path) made absolute against the program's
// own folder: never against the current folder, which the open dialog moves.
// malloc'd; null when out of memory or it cannot be formed.
char* absolute_dest(const char* path);
// True when `path` exists and is not a directory.
bool find_regular_file(const char* path, platform::PathInfo* info);
// `dest_folder` + "\" (unless empty or already ending in one) + the part of
// `source_path` after its last backslash. malloc'd; null when out of memory.
char* make_dest_path(const char* source_path, const char* dest_folder);
void free_job_row(JobRow* row);
// Display text of a state into `text` (kStateNameCapacity).
void state_name(int32_t state, char* text);
