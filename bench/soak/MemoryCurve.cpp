#include "bench/soak/MemoryCurve.h"

#include <malloc.h>
#include <unistd.h>

#include <algorithm>
#include <fstream>

// Present when the program runs under AddressSanitizer, whose allocator the
// C library's statistics do not see.
extern "C" std::size_t __sanitizer_get_current_allocated_bytes() __attribute__((weak));

namespace soak {

MemorySample SampleMemory(std::int64_t hour) {
  MemorySample s;
  s.hour = hour;
  std::ifstream statm("/proc/self/statm");
  std::uint64_t size = 0;
  std::uint64_t resident = 0;
  if (statm >> size >> resident) {
    s.resident = resident * static_cast<std::uint64_t>(sysconf(_SC_PAGESIZE));
  }
  if (__sanitizer_get_current_allocated_bytes != nullptr) {
    s.heapInUse = __sanitizer_get_current_allocated_bytes();
  } else {
    const struct mallinfo2 info = mallinfo2();
    s.heapInUse = info.uordblks + info.hblkhd;
  }
  return s;
}

std::optional<Flatness> JudgeFlatness(const std::vector<std::uint64_t>& hourly, int warmupHours,
                                      int windowHours, double limitPercent) {
  const auto warmup = static_cast<std::size_t>(warmupHours);
  const auto window = static_cast<std::size_t>(windowHours);
  if (window == 0 || hourly.size() < warmup + 2 * window) return std::nullopt;
  Flatness f;
  const auto first = hourly.begin() + static_cast<std::ptrdiff_t>(warmup);
  f.warmMax = *std::max_element(first, first + static_cast<std::ptrdiff_t>(window));
  f.lastMax = *std::max_element(hourly.end() - static_cast<std::ptrdiff_t>(window), hourly.end());
  if (f.warmMax > 0) {
    f.growthPercent = 100.0 * (static_cast<double>(f.lastMax) - static_cast<double>(f.warmMax)) /
                      static_cast<double>(f.warmMax);
  }
  f.flat = f.growthPercent <= limitPercent;
  return f;
}

}  // namespace soak
