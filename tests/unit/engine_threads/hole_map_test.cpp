// A job's map of holes: bounded however many blocks fail, and never seen half
// written by the window thread while the worker changes it.
#include "engine/hole_map.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

namespace {

// A worn disk with bad sectors every few kilobytes: the map keeps at most
// kMaxHoles holes by merging the nearest neighbours, and loses no bad byte.
TEST(HoleMap, StaysBoundedByMergingTheNearestNeighbours) {
  Holes holes;
  bool merged = false;
  for (int i = 0; i <= kMaxHoles; ++i) {
    // Every tenth hole lies close to the one before it.
    const int64_t offset = int64_t{i} * 8192 - (i % 10 == 9 ? 4096 : 0);
    merged = add_hole(&holes, offset, 512, 512) || merged;
  }
  EXPECT_TRUE(merged);
  ASSERT_EQ(holes.size(), static_cast<size_t>(kMaxHoles));
  EXPECT_TRUE(holes_cover(holes, 8 * 8192, 8 * 8192 + 512));
  EXPECT_TRUE(holes_cover(holes, 9 * 8192 - 4096, 9 * 8192 - 4096 + 512));
  const Hole* joined = hole_holding(holes, 8 * 8192);
  ASSERT_NE(joined, nullptr);
  EXPECT_EQ(joined->end(), 9 * 8192 - 4096 + 512) << "the two nearest became one";
}

// The worker publishes maps of n holes of n bytes each; every map the
// window thread reads must be one of them, never a mix of two.
TEST(HoleMap, AReaderNeverSeesHalfAChange) {
  HoleMap map;
  std::atomic<bool> done{false};
  std::thread worker([&] {
    for (int round = 0; round < 20000; ++round) {
      const int n = 1 + round % 7;
      Holes holes;
      for (int i = 0; i < n; ++i) holes.push_back({int64_t{i} * 100, n, 512, n});
      write_holes(&map, holes);
    }
    done = true;
  });
  int torn = 0;
  int reads = 0;
  while (!done.load() || reads == 0) {
    const Holes seen = read_holes(&map);
    reads++;
    for (const Hole& hole : seen) {
      torn += hole.length != static_cast<int64_t>(seen.size()) ||
              hole.tries != static_cast<int32_t>(seen.size());
    }
  }
  worker.join();
  EXPECT_EQ(torn, 0);
}

}  // namespace
