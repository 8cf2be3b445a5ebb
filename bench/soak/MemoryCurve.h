// Memory of the soak process sampled once a simulated hour, and the test of
// flatness: after a warm-up (the section store, the guide and the caches
// filled), the highest sample of the last window may exceed the highest
// sample of the first window after the warm-up by at most a given share.
// Comparing maxima, not single samples, keeps a buffer in flight at one
// sample from reading as growth.
#pragma once

#include <cstdint>
#include <optional>
#include <vector>

namespace soak {

struct MemorySample {
  std::int64_t hour = 0;        // simulated hours since the start
  std::uint64_t resident = 0;   // bytes of resident memory
  std::uint64_t heapInUse = 0;  // bytes the allocator has handed out and not taken back
};

// The process's resident memory and heap in use now.
MemorySample SampleMemory(std::int64_t hour);

struct Flatness {
  std::uint64_t warmMax = 0;  // highest sample of the first window after the warm-up
  std::uint64_t lastMax = 0;  // highest sample of the last window
  double growthPercent = 0;
  bool flat = true;
};

// Windows of `windowHours` samples; nothing when there are too few samples
// for a warm-up and two windows.
std::optional<Flatness> JudgeFlatness(const std::vector<std::uint64_t>& hourly, int warmupHours,
                                      int windowHours, double limitPercent);

}  // namespace soak
