// The unit of work of the copy engine: one source file, one destination path,
// the job's own copy of the copy settings, its progress and its state.
#pragma once

#include <atomic>
#include <cstdint>

#include "app/settings_records.h"
#include "platform/platform.h"

// 0..4 in this order: the state texts, icons and row colours are indexed by it.
enum JobState : int32_t { JOB_QUEUED, JOB_RUNNING, JOB_ERROR, JOB_COMPLETED, JOB_WAITING };

constexpr int kStateNameCapacity = 64;
constexpr int kFileNameCapacity = 260;

struct CopyJob {
  char* source_path = nullptr;  // owned, malloc'd
  char* dest_path = nullptr;    // owned, malloc'd; replaced only while no worker is started
  int64_t total_size = 0;
  // Written by the worker, read by the window thread: each one indivisible.
  std::atomic<int64_t> bytes_copied{0};
  CopyParam param{};
  std::atomic<uint32_t> last_error{0};
  std::atomic<int32_t> step{0};
  std::atomic<int32_t> state{JOB_QUEUED};
  // Set when the destination may not hold what bytes_copied says: found at
  // Add, or after a failed write or flush. Before that file is continued, the
  // worker compares its last block with the source's. Cleared once compared.
  std::atomic<bool> check_dest{false};
  // Set on the window thread just before a worker is started for this job and
  // cleared there after the worker has ended: while set, nothing of the job
  // may be freed or replaced.
  std::atomic<bool> worker_started{false};
};

struct JobRow {
  // The worker copying this row's job, or null. Written on the window thread.
  std::atomic<platform::Thread*> worker_thread{nullptr};
  int64_t sample_time = 0;
  int64_t sample_bytes = -1;
  int32_t shown_state = -1;
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
// True when `path` exists and is not a directory.
bool find_regular_file(const char* path, platform::PathInfo* info);
// `dest_folder` + "\" (unless empty or already ending in one) + the part of
// `source_path` after its last backslash. malloc'd; null when out of memory.
char* make_dest_path(const char* source_path, const char* dest_folder);
void free_job_row(JobRow* row);
// Display text of a state into `text` (kStateNameCapacity).
void state_name(int32_t state, char* text);
