// The copy worker: copies one job with retries and resume on a thread of its own.
#pragma once

#include <cstdint>

enum CopyStep : int32_t {
  STEP_START = 1,
  STEP_COPY = 2,
  STEP_DONE = 3,
  STEP_OPEN_SOURCE = 10,
  STEP_SEEK_SOURCE = 11,
  STEP_READ = 12,
  STEP_OPEN_DEST = 20,
  STEP_SEEK_DEST = 21,
  STEP_WRITE = 22,
  STEP_DEST_SHORT = 23,      // the destination is shorter than the bytes copied
  STEP_DEST_DIFFERS = 24,    // a destination found at Add is not the source's
  STEP_SOURCE_CHANGED = 25,  // the source is not the version copied so far
  STEP_DEST_STALE = 26,      // a destination found at Add carries another time
  STEP_HOLE_MADE = 27,       // an unreadable block skipped (step_values: first, last byte)
  STEP_HOLES_LEFT = 28,      // the run ends with holes (step_values: bytes, holes)
  STEP_HOLES_MERGED = 29,    // the map is full: neighbours merged (step_values[0]: its size)
  STEP_WAIT = 30,
};

struct CopyJob;

// The thread routine; its argument is the CopyJob. Always returns 0.
uint32_t copy_worker(void* job);
