// The scheduler's clock: the current UTC time and the conversions between UTC
// and wall-clock seconds (a local date and time counted as if it were UTC).
// The program runs on the system clock; tests move a clock of their own.
#pragma once

#include <cstdint>

#include "common/TimeBase.h"

namespace recording {

class Clock {
 public:
  virtual ~Clock() = default;
  virtual std::int64_t NowUtc() const = 0;
  virtual std::int64_t WallClockFromUtc(std::int64_t utcSeconds) const {
    return common::WallClockFromUtc(utcSeconds);
  }
  virtual std::int64_t UtcFromWallClock(std::int64_t wallSeconds) const {
    return common::UtcFromWallClock(wallSeconds);
  }
};

class SystemClock final : public Clock {
 public:
  std::int64_t NowUtc() const override { return common::NowUtc(); }
};

}  // namespace recording
