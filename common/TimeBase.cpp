#include "common/TimeBase.h"

#include <chrono>
#include <cstdio>

namespace common {

std::tm LocalTime(std::int64_t utcSeconds) {
  std::tm tm{};
  const std::time_t t = static_cast<std::time_t>(utcSeconds);
  localtime_r(&t, &tm);
  return tm;
}

std::int64_t WallClockFromUtc(std::int64_t utcSeconds) {
  const std::tm tm = LocalTime(utcSeconds);
  std::tm copy = tm;
  return static_cast<std::int64_t>(timegm(&copy));
}

std::int64_t UtcFromWallClock(std::int64_t wallSeconds) {
  // Try the local time as standard and as daylight time; of the readings that
  // give back this wall-clock time take the earliest (the first of an autumn
  // hour that occurs twice). A time in the spring gap has no such reading and
  // is taken as standard time.
  const std::tm fields = WallClockFields(wallSeconds);
  std::int64_t best = 0;
  bool found = false;
  for (const int isDst : {0, 1}) {
    std::tm candidate = fields;
    candidate.tm_isdst = isDst;
    const std::int64_t t = static_cast<std::int64_t>(mktime(&candidate));
    if (WallClockFromUtc(t) == wallSeconds && (!found || t < best)) {
      best = t;
      found = true;
    }
  }
  if (found) return best;
  std::tm standard = fields;
  standard.tm_isdst = 0;
  return static_cast<std::int64_t>(mktime(&standard));
}

std::tm WallClockFields(std::int64_t wallSeconds) {
  std::tm tm{};
  const std::time_t t = static_cast<std::time_t>(wallSeconds);
  gmtime_r(&t, &tm);
  return tm;
}

std::string TimeText(std::int64_t utcSeconds) {
  const std::tm tm = LocalTime(utcSeconds);
  char buf[64];
  std::snprintf(buf, sizeof buf, "%04d-%02d-%02d %02d:%02d:%02d%s", tm.tm_year + 1900,
                tm.tm_mon + 1, tm.tm_mday, tm.tm_hour, tm.tm_min, tm.tm_sec,
                tm.tm_isdst > 0 ? " dst" : "");
  return buf;
}

std::int64_t NowUtc() {
  return std::chrono::duration_cast<std::chrono::seconds>(
             std::chrono::system_clock::now().time_since_epoch())
      .count();
}

}  // namespace common
