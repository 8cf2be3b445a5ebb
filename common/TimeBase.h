// The program's time bases.
//  - GPS seconds: broadcast times, counted from 1980-01-06 00:00:00 UTC without
//    leap seconds; UTC seconds since 1970 = GPS seconds + kGpsToUnixSeconds.
//  - Wall-clock seconds: a local date and time counted as seconds since 1970 as
//    if it were UTC; weekly timer rules use them.
//  - Media sample times in 100 ns units; 90 kHz and 27 MHz clocks in streams.
#pragma once

#include <cstdint>
#include <ctime>
#include <string>
#include "common/TsConstants.h"

namespace common {

inline constexpr std::int64_t kUnitsPerSecond = 10'000'000;  // 100 ns sample-time units

// Floor division and non-negative remainder for a positive divisor.
constexpr std::int64_t FloorDiv(std::int64_t a, std::int64_t b) {
  return a / b - ((a % b != 0) && ((a < 0) != (b < 0)) ? 1 : 0);
}
constexpr std::int64_t FloorMod(std::int64_t a, std::int64_t b) {
  return a - FloorDiv(a, b) * b;
}

// UTC seconds -> broken-down local time (the process's time zone, TZ honoured).
std::tm LocalTime(std::int64_t utcSeconds);

// UTC seconds -> wall-clock seconds: the local date and time read as if UTC.
std::int64_t WallClockFromUtc(std::int64_t utcSeconds);

// Wall-clock seconds -> UTC seconds by the time-zone rules. A local time that
// falls in a spring-forward gap is taken as standard time; one that occurs
// twice in autumn as its first occurrence.
std::int64_t UtcFromWallClock(std::int64_t wallSeconds);

// Broken-down fields of wall-clock seconds (no time-zone involved).
std::tm WallClockFields(std::int64_t wallSeconds);

// "%04d-%02d-%02d %02d:%02d:%02d%s": local date and time of a UTC instant, with
// " dst" appended while daylight saving time is in force.
std::string TimeText(std::int64_t utcSeconds);

// Current UTC seconds.
std::int64_t NowUtc();

}  // namespace common
