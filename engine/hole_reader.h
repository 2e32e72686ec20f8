// Blocks a source will not give. A block that max_attempts reads in a row
// fail at becomes a hole once the source proves still there, and the copy
// goes on after it; while reads keep failing right after a hole, each skip
// doubles. Later passes read only the holes, in ever smaller pieces, so that
// each shrinks to the sectors that truly fail; one that reads again is filled.
#pragma once

#include <cstdint>

#include "engine/copy_run.h"

// After max_attempts failed attempts in a row: true when all of them were
// the copy's reads at the bytes copied, and the next attempt is to skip a
// hole there.
bool plan_skip(Run* run);
// At an attempt's start, with the source open at its identity checked: makes
// the planned hole if the source can be positioned after it (`*offset` moves
// there). False after a recorded failure: no hole is made.
bool skip_hole(Run* run, platform::File* source, int64_t* offset);
// True when the front has reached the source's end and only holes are left.
bool reading_holes(const Run& run);
// One attempt of a pass over the holes, from where the pass has got to:
// reads each hole in pieces of its grain and writes every piece that reads.
// A failed read leaves the piece to a finer grain and ends the attempt; a
// hole whose reads failed max_attempts times in this pass waits for the
// next. At the end of the pass the job completes or keeps its holes.
void read_holes_pass(Run* run, platform::File* source, platform::File* dest);
