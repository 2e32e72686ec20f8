// Small helpers shared by the benchmark programs: a wall clock and medians.
#pragma once

#include <algorithm>
#include <chrono>
#include <vector>

// Seconds since an arbitrary start, from a monotonic clock.
inline double now_seconds() {
  using Clock = std::chrono::steady_clock;
  return std::chrono::duration<double>(Clock::now().time_since_epoch()).count();
}

// The median; 0 for no values.
inline double median(std::vector<double> values) {
  if (values.empty()) return 0;
  std::sort(values.begin(), values.end());
  const size_t mid = values.size() / 2;
  return values.size() % 2 ? values[mid] : (values[mid - 1] + values[mid]) / 2;
}

constexpr double kMiB = 1024.0 * 1024.0;
