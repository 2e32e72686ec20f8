#include "engine/hole_map.h"

#include <algorithm>

namespace {

// Joins holes that touch and share a grain, then merges the two nearest
// neighbours while there are too many. True when any had to be merged.
bool tidy(Holes* holes) {
  const auto before = [](const Hole& a, const Hole& b) { return a.offset < b.offset; };
  if (!std::is_sorted(holes->begin(), holes->end(), before)) {
    std::sort(holes->begin(), holes->end(), before);
  }
  // Joined in place: `kept` holes stand before `holes->begin() + kept`.
  Holes& joined = *holes;
  size_t kept = 0;
  for (size_t i = 0; i < joined.size(); ++i) {
    const Hole hole = joined[i];
    if (hole.length <= 0) continue;
    Hole* last = kept == 0 ? nullptr : &joined[kept - 1];
    if (last && last->end() == hole.offset && last->grain == hole.grain &&
        last->tries == hole.tries) {
      last->length += hole.length;
    } else {
      joined[kept++] = hole;
    }
  }
  joined.resize(kept);
  bool merged = false;
  while (joined.size() > static_cast<size_t>(kMaxHoles)) {
    size_t nearest = 0;
    for (size_t i = 1; i + 1 < joined.size(); ++i) {
      if (joined[i + 1].offset - joined[i].end() <
          joined[nearest + 1].offset - joined[nearest].end())
        nearest = i;
    }
    // The bytes between them are read again; the coarser grain tries them.
    Hole& first = joined[nearest];
    const Hole& second = joined[nearest + 1];
    first.length = second.end() - first.offset;
    first.grain = std::max(first.grain, second.grain);
    first.tries = std::min(first.tries, second.tries);
    joined.erase(joined.begin() + static_cast<std::ptrdiff_t>(nearest) + 1);
    merged = true;
  }
  return merged;
}

// Splits every hole at `from` and `to`, and calls `change` on each piece
// inside [from, to); a piece whose length it sets to 0 goes.
template <typename Change>
bool change_range(Holes* holes, int64_t from, int64_t to, Change change) {
  Holes pieces;
  for (const Hole& hole : *holes) {
    const int64_t cut_from = std::max(hole.offset, from);
    const int64_t cut_to = std::min(hole.end(), to);
    if (cut_from >= cut_to) {
      pieces.push_back(hole);
      continue;
    }
    Hole inside = hole;
    inside.offset = cut_from;
    inside.length = cut_to - cut_from;
    change(&inside);
    if (hole.offset < cut_from)
      pieces.push_back({hole.offset, cut_from - hole.offset, hole.grain, hole.tries});
    pieces.push_back(inside);
    if (cut_to < hole.end())
      pieces.push_back({cut_to, hole.end() - cut_to, hole.grain, hole.tries});
  }
  holes->swap(pieces);
  return tidy(holes);
}

}  // namespace

// Every access is sequentially consistent: a reader that saw any entry of a
// change also sees the sequence count that the change began with moved on.
Holes read_holes(const HoleMap* map) {
  Holes holes;
  if (map == nullptr) return holes;
  for (;;) {
    const uint32_t before = map->sequence.load();
    if (before % 2 == 0) {
      const int32_t count = map->count.load();
      holes.clear();
      for (int32_t i = 0; i < count && i < kMaxHoles; ++i) {
        holes.push_back({map->offset[i].load(), map->length[i].load(), map->grain[i].load(),
                         map->tries[i].load()});
      }
      if (map->sequence.load() == before) return holes;
    }
  }
}

void write_holes(HoleMap* map, const Holes& holes) {
  const uint32_t before = map->sequence.load();
  map->sequence.store(before + 1);
  const size_t count = std::min(holes.size(), static_cast<size_t>(kMaxHoles));
  for (size_t i = 0; i < count; ++i) {
    map->offset[i].store(holes[i].offset);
    map->length[i].store(holes[i].length);
    map->grain[i].store(holes[i].grain);
    map->tries[i].store(holes[i].tries);
  }
  map->count.store(static_cast<int32_t>(count));
  map->sequence.store(before + 2);
}

int64_t finer_grain(int64_t grain) {
  for (int64_t step : {INT64_C(65536), INT64_C(4096), kSectorSize}) {
    if (step < grain) return step;
  }
  return grain;
}

bool add_hole(Holes* holes, int64_t offset, int64_t length, int64_t grain) {
  // Whatever it overlaps is part of it; the rest keeps its grain.
  const Hole* overlapped = hole_at_or_after(*holes, offset);
  if (overlapped != nullptr && overlapped->offset < offset + length)
    fill_range(holes, offset, length);
  const auto at =
      std::lower_bound(holes->begin(), holes->end(), offset,
                       [](const Hole& hole, int64_t value) { return hole.offset < value; });
  holes->insert(at, {offset, length, grain, 0});
  return tidy(holes);
}

void fill_range(Holes* holes, int64_t offset, int64_t length) {
  change_range(holes, offset, offset + length, [](Hole* inside) { inside->length = 0; });
}

bool refine_range(Holes* holes, int64_t offset, int64_t length) {
  return change_range(holes, offset, offset + length, [](Hole* inside) {
    const int64_t finer = finer_grain(inside->grain);
    inside->tries = finer < inside->grain ? 0 : inside->tries + 1;
    inside->grain = finer;
  });
}

bool holes_cover(const Holes& holes, int64_t from, int64_t to) {
  int64_t reached = from;
  for (const Hole& hole : holes) {
    if (hole.end() <= reached) continue;
    if (hole.offset > reached) break;
    reached = hole.end();
    if (reached >= to) break;
  }
  return reached >= to;
}

const Hole* hole_at_or_after(const Holes& holes, int64_t offset) {
  for (const Hole& hole : holes) {
    if (hole.end() > offset) return &hole;
  }
  return nullptr;
}

const Hole* hole_holding(const Holes& holes, int64_t offset) {
  const Hole* hole = hole_at_or_after(holes, offset);
  return hole != nullptr && hole->offset <= offset ? hole : nullptr;
}

int64_t hole_bytes(const Holes& holes) {
  int64_t bytes = 0;
  for (const Hole& hole : holes) bytes += hole.length;
  return bytes;
}
