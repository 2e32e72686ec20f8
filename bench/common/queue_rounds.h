// Rounds shared by the small-file benchmarks, native and under Wine.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

// The queue controller and worker copying each source to the destination
// at the same index, with an in-memory window, from Start to the end of the
// queue; the rows are made beforehand, as Add would have. Seconds; the
// program exits when a row does not complete. `timed` false: the source's
// last-write time is neither read nor stamped on the destination (answered
// without a system call), to show what those cost per file.
double in_memory_queue_seconds(const std::vector<std::string>& sources,
                               const std::vector<std::string>& dests, int64_t size,
                               bool timed = true);
// What the controller's thread per job costs alone: `count` times a thread
// started, waited for and released. Seconds.
double threads_seconds(int count);
