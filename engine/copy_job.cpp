#include "engine/copy_job.h"

#include <cstdlib>
#include <cstring>
#include <new>
#include <string>

#include "app/config_file.h"
#include "app/text_format.h"
#include "res/string_ids.h"

namespace {

char* copy_text(const char* text) {
  size_t length = std::strlen(text);
  char* copy = static_cast<char*>(std::malloc(length + 1));
  if (copy) std::memcpy(copy, text, length + 1);
  return copy;
}

void free_job(CopyJob* job) {
  delete job->holes.load();
  std::free(job->source_path);
  std::free(job->dest_path);
  delete job;
}

// Takes an existing destination's size as the bytes already copied when it
// is no larger than the source and carries the source's last-write time, as
// every destination this program writes does. The worker then compares its
// last block with the source's before it trusts the file, so even a
// destination as large as the source stays queued. One with another time is
// some other version of the file (last week's copy, an older export): it is
// written afresh.
void detect_resume(CopyJob* job, const platform::PathInfo& source) {
  platform::PathInfo dest;
  if (!find_regular_file(job->dest_path, &dest)) return;
  if (dest.size == 0 || source.size == 0 || dest.size > source.size) return;
  if (!same_write_time(source.last_write, dest.last_write)) {
    job->stale_dest.store(true);
    return;
  }
  job->bytes_copied.store(dest.size);
  job->check_dest.store(true);
}

}  // namespace

bool same_write_time(int64_t source, int64_t dest) {
  if (source == dest) return true;
  // Ticks of 10 ms (exFAT), 1 s (some shares) and 2 s (FAT): a time kept at
  // one of them is the source's rounded down or up to it.
  for (int64_t unit : {INT64_C(100000), INT64_C(10000000), INT64_C(20000000)}) {
    if (dest % unit != 0) continue;
    const int64_t down = source - source % unit;
    if (dest == down || dest == down + unit) return true;
  }
  return false;
}

char* absolute_dest(const char* path) {
  char folder[kConfigPathCapacity] = "";
  exe_dir_path(folder, nullptr);
  const std::string full = platform::absolute_path(path, folder);
  return full.empty() ? nullptr : copy_text(full.c_str());
}

bool find_regular_file(const char* path, platform::PathInfo* info) {
  if (!platform::look_up(path, info)) return false;
  return !info->is_directory;
}

char* make_dest_path(const char* source_path, const char* dest_folder) {
  // Only the backslash separates; a path without one is taken whole as the
  // file name.
  const char* name = after_last_of(source_path, "\\");
  size_t folder_length = std::strlen(dest_folder);
  bool add_separator = folder_length > 0 && dest_folder[folder_length - 1] != '\\';
  size_t name_length = std::strlen(name);
  char* path = static_cast<char*>(std::malloc(folder_length + add_separator + name_length + 1));
  if (!path) return nullptr;
  std::memcpy(path, dest_folder, folder_length);
  if (add_separator) path[folder_length] = '\\';
  std::memcpy(path + folder_length + add_separator, name, name_length + 1);
  return path;
}

JobRow* make_job_row(const char* source_path, const char* dest_path, int64_t total_size,
                     const CopyParam& settings) {
  JobRow* row = new (std::nothrow) JobRow;
  CopyJob* job = new (std::nothrow) CopyJob;
  if (!row || !job) {
    delete row;
    delete job;
    return nullptr;
  }
  row->job = job;
  job->param = settings;
  job->source_path = copy_text(source_path);
  job->dest_path = copy_text(dest_path);
  if (!job->source_path || !job->dest_path) {
    free_job_row(row);
    return nullptr;
  }
  job->total_size = total_size;
  job->state.store(JOB_QUEUED);
  return row;
}

JobRow* create_job_at(const char* source_path, const platform::PathInfo& source,
                      const char* dest_path, const CopyParam& settings) {
  JobRow* row = make_job_row(source_path, dest_path, source.size, settings);
  if (!row) return nullptr;
  CopyJob* job = row->job;
  // A folder read from a damaged record may lack its NUL.
  job->param.dest_folder[kFolderCapacity - 1] = '\0';
  job->source_time.store(source.last_write);
  if (job->param.resume) detect_resume(job, source);
  return row;
}

JobRow* create_job(const char* source_path, const CopyParam& settings, char* file_name) {
  platform::PathInfo source;
  if (!find_regular_file(source_path, &source)) return nullptr;
  CopyParam param = settings;
  param.dest_folder[kFolderCapacity - 1] = '\0';
  char* folder = absolute_dest(param.dest_folder);
  char* dest_path = folder ? make_dest_path(source_path, folder) : nullptr;
  std::free(folder);
  if (!dest_path) return nullptr;
  JobRow* row = create_job_at(source_path, source, dest_path, param);
  std::free(dest_path);
  if (!row) return nullptr;
  std::strncpy(file_name, source.name, kFileNameCapacity - 1);
  file_name[kFileNameCapacity - 1] = '\0';
  return row;
}

bool make_dest_folders(const CopyJob* job) {
  if (!job->makes_folders) return true;
  for (const std::string& folder : job->empty_folders) {
    if (!platform::make_folders(folder.c_str())) return false;
  }
  const std::string dest = job->dest_path;
  const size_t separator = dest.find_last_of(platform::path_separators());
  return separator == std::string::npos || separator == 0 ||
         platform::make_folders(dest.substr(0, separator).c_str());
}

void free_job_row(JobRow* row) {
  if (!row) return;
  if (row->job) free_job(row->job);
  delete row;
}

void state_name(int32_t state, char* text) {
  // IDS_STATE_QUEUED .. IDS_STATE_WAITING stand in JobState's order.
  unsigned id = (state >= JOB_QUEUED && state <= JOB_WAITING)
                    ? IDS_STATE_QUEUED + static_cast<unsigned>(state)
                    : IDS_STATE_UNKNOWN;
  load_text(text, id, kStateNameCapacity);
}
