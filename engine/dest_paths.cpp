#include "engine/dest_paths.h"

#include "engine/copy_job.h"
#include "engine/window_host.h"
#include "platform/platform.h"

namespace {

unsigned edits = 0;  // the window thread's alone

void record(DestPaths* paths, const std::string& source, const std::string& dest) {
  paths->source_of.emplace(dest, source);
  paths->sources.insert(source);
}

}  // namespace

bool claim_dest(DestPaths* paths, const char* source_path, const char* dest_path) {
  const std::string source = platform::path_key(source_path);
  const std::string dest = platform::path_key(dest_path);
  if (dest == source || paths->sources.count(dest) || paths->source_of.count(source)) return false;
  auto writer = paths->source_of.find(dest);
  if (writer != paths->source_of.end() && writer->second != source) return false;
  record(paths, source, dest);
  return true;
}

bool source_queued(const DestPaths& paths, const char* source_path) {
  return paths.sources.count(platform::path_key(source_path)) > 0;
}

void claim_queue_dests(DestPaths* paths, const CopyJob* except) {
  const WindowHost* host = window_host();
  if (!host) return;
  const int count = host->row_count();
  const size_t rows = static_cast<size_t>(count > 0 ? count : 0);
  paths->source_of.reserve(paths->source_of.size() + rows);
  paths->sources.reserve(paths->sources.size() + rows);
  for (int index = 0; index < count; ++index) {
    const JobRow* row = host->row_record(index);
    if (!row || !row->job || row->job == except) continue;
    record(paths, platform::path_key(row->job->source_path),
           platform::path_key(row->job->dest_path));
  }
}

unsigned queue_edits() { return edits; }

void note_queue_edit() { edits++; }

bool dest_taken(const CopyJob* job, const char* dest_path) {
  DestPaths paths;
  claim_queue_dests(&paths, job);
  return !claim_dest(&paths, job->source_path, dest_path);
}
