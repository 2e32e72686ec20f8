// Jobs for the engine's tests, made directly (not through create_job) so that
// a test can give them any progress and settings.
#pragma once

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>

#include "engine/copy_job.h"

struct JobRowDeleter {
  void operator()(JobRow* row) const { free_job_row(row); }
};
using JobRowPtr = std::unique_ptr<JobRow, JobRowDeleter>;

inline CopyParam test_copy_param(int32_t buffer_size = 100, int32_t max_attempts = 5) {
  CopyParam param{};
  param.buffer_size = buffer_size;
  param.retry_timeout = 1;
  param.max_attempts = max_attempts;
  param.resume = 1;
  return param;
}

inline char* test_copy_text(const std::string& text) {
  char* copy = static_cast<char*>(std::malloc(text.size() + 1));
  std::memcpy(copy, text.c_str(), text.size() + 1);
  return copy;
}

inline JobRowPtr make_test_row(const std::string& source, const std::string& dest,
                               int64_t total_size, int64_t bytes_copied = 0,
                               const CopyParam& param = test_copy_param()) {
  JobRowPtr row(new JobRow);
  row->job = new CopyJob;
  row->job->source_path = test_copy_text(source);
  row->job->dest_path = test_copy_text(dest);
  row->job->total_size = total_size;
  row->job->bytes_copied = bytes_copied;
  row->job->param = param;
  return row;
}
