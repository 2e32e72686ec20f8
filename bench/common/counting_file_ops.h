// A file layer for the worker that counts what it reads from the source and
// makes chosen reads fail. A failing read is modelled pessimistically: the
// device delivers the block, then reports an error, so the block is lost and
// counts as read. Installed for its lifetime; one worker at a time.
#pragma once

#include <cstddef>
#include <cstdint>
#include <utility>
#include <vector>

class CountingFileOps {
 public:
  // Reads that start at one of `fail_offsets` fail once each, with `error`.
  CountingFileOps(std::vector<int64_t> fail_offsets, uint32_t error);
  ~CountingFileOps();
  CountingFileOps(const CountingFileOps&) = delete;
  CountingFileOps& operator=(const CountingFileOps&) = delete;

  // From now on every read that touches one of [start, start + length) for
  // a start in `starts` (ascending) fails, and delivers nothing: sectors
  // that never read again.
  void set_bad_sectors(std::vector<int64_t> starts, int64_t length) {
    bad_starts_ = std::move(starts);
    bad_length_ = length;
  }

  int64_t bytes_read() const { return bytes_read_; }
  int failed_reads() const { return failed_reads_; }
  int faults_injected() const { return faults_injected_; }
  int source_opens() const { return source_opens_; }

 private:
  friend struct CountingOpsAccess;
  std::vector<int64_t> fail_offsets_;  // ascending
  size_t next_fault_ = 0;
  uint32_t error_;
  int64_t bytes_read_ = 0;
  int faults_injected_ = 0;
  int source_opens_ = 0;
  std::vector<int64_t> bad_starts_;
  int64_t bad_length_ = 0;
  int failed_reads_ = 0;
};

// `count` offsets spread evenly over a file of `blocks` blocks of `block`
// bytes, each at the start of a block, never the first one.
std::vector<int64_t> spread_offsets(int count, int64_t blocks, int64_t block);
