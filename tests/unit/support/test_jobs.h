// Jobs for the engine's tests and benchmarks, made from paths (not through
// create_job, which looks the source up) so that they can have any progress
// and settings.
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

inline JobRowPtr make_test_row(const std::string& source, const std::string& dest,
                               int64_t total_size, int64_t bytes_copied = 0,
                               const CopyParam& param = test_copy_param()) {
  JobRowPtr row(make_job_row(source.c_str(), dest.c_str(), total_size, param));
  row->job->bytes_copied = bytes_copied;
  return row;
}
