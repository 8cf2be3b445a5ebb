// The time source of pacing, injectable so tests can run paced streams without
// waiting: a monotonic "now" and a sleep until a point of it.
#pragma once

#include <chrono>

namespace vtuner {

class Clock {
 public:
  virtual ~Clock() = default;
  virtual std::chrono::nanoseconds Now() = 0;
  virtual void SleepUntil(std::chrono::nanoseconds time) = 0;
};

// The process's monotonic clock (std::chrono::steady_clock).
Clock& SteadyClock();

}  // namespace vtuner
