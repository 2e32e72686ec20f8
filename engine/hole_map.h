// A job's map of holes: the byte ranges of its source that could not be read
// and that the destination holds as zeros. Each hole remembers the size of the
// reads that will next try it (its grain), so that later passes read it in
// ever smaller pieces: the buffer, then 64 KiB, then 4 KiB, then 512 bytes.
//
// The worker is its only writer; the window thread reads it for display. The
// entries are published under a sequence count (odd while being written), so
// a reader never sees half a change, and no lock is taken.
#pragma once

#include <atomic>
#include <cstdint>
#include <vector>

struct Hole {
  int64_t offset;
  int64_t length;
  int64_t grain;  // the size of the reads that try it next
  int32_t tries;  // reads of it that failed at that grain

  int64_t end() const { return offset + length; }
};
using Holes = std::vector<Hole>;  // sorted, apart from one another

// Beyond this many holes, the two nearest neighbours are merged into one.
constexpr int kMaxHoles = 4096;
// The smallest read: one sector.
constexpr int64_t kSectorSize = 512;

struct HoleMap {
  std::atomic<uint32_t> sequence{0};
  std::atomic<int32_t> count{0};
  std::atomic<int64_t> offset[kMaxHoles];
  std::atomic<int64_t> length[kMaxHoles];
  std::atomic<int64_t> grain[kMaxHoles];
  std::atomic<int32_t> tries[kMaxHoles];
};

// A consistent copy of the map; empty for none. Any thread.
Holes read_holes(const HoleMap* map);
// Publishes `holes` (at most kMaxHoles). The writer's thread only.
void write_holes(HoleMap* map, const Holes& holes);

// The grain after `grain`: the next of 64 KiB, 4 KiB and 512 bytes below it;
// a grain of 512 bytes or less stays as it is.
int64_t finer_grain(int64_t grain);

// Adds [offset, offset + length) as a hole to be read next in pieces of
// `grain`, never tried at it. Joins a neighbour of the same grain and tries
// that it touches. True when the map was full and two neighbours had to be
// merged.
bool add_hole(Holes* holes, int64_t offset, int64_t length, int64_t grain);
// Removes [offset, offset + length): those bytes are copied now.
void fill_range(Holes* holes, int64_t offset, int64_t length);
// [offset, offset + length), which a read of that size could not read, is
// read next in finer pieces; at the finest grain it counts one more try
// (splitting its hole where needed).
bool refine_range(Holes* holes, int64_t offset, int64_t length);
// True when every byte of [from, to) lies in a hole.
bool holes_cover(const Holes& holes, int64_t from, int64_t to);
// The hole that holds `offset`, or the first one after it; null for none.
const Hole* hole_at_or_after(const Holes& holes, int64_t offset);
// The hole that holds `offset`; null for none.
const Hole* hole_holding(const Holes& holes, int64_t offset);
// Bytes in all holes.
int64_t hole_bytes(const Holes& holes);
