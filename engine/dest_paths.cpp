#include "engine/dest_paths.h"

#include "engine/copy_job.h"
#include "engine/window_host.h"
#include "platform/platform.h"

bool claim_dest(DestPaths* paths, const char* source_path, const char* dest_path) {
  std::string source = platform::path_key(source_path);
  auto claimed = paths->source_of.emplace(platform::path_key(dest_path), source);
  return claimed.second || claimed.first->second == source;
}

void claim_queue_dests(DestPaths* paths, const CopyJob* except) {
  const WindowHost* host = window_host();
  if (!host) return;
  const int count = host->row_count();
  paths->source_of.reserve(paths->source_of.size() + static_cast<size_t>(count > 0 ? count : 0));
  for (int index = 0; index < count; ++index) {
    const JobRow* row = host->row_record(index);
    if (!row || !row->job || row->job == except) continue;
    claim_dest(paths, row->job->source_path, row->job->dest_path);
  }
}

bool dest_taken(const CopyJob* job, const char* dest_path) {
  DestPaths paths;
  claim_queue_dests(&paths, job);
  return !claim_dest(&paths, job->source_path, dest_path);
}
