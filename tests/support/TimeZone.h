// Time helpers of the tests: a time zone set for the object's life (local
// times and daylight saving then follow it, whatever the machine's zone), and
// the seconds of a calendar date and time read as UTC, the current minute as
// text.
#pragma once

#include <cstdint>
#include <string>

namespace testsupport {

class ScopedTimeZone {
 public:
  // `zone` as TZ takes it: "America/New_York", or rules written out such as
  // "EST5EDT,M3.2.0,M11.1.0" that need no zone database.
  explicit ScopedTimeZone(const char* zone);
  ~ScopedTimeZone();
  ScopedTimeZone(const ScopedTimeZone&) = delete;
  ScopedTimeZone& operator=(const ScopedTimeZone&) = delete;

 private:
  bool hadZone_ = false;
  std::string previous_;
};

// Seconds since 1970 of the date and time taken as UTC (timegm).
std::int64_t UtcSeconds(int year, int month, int day, int hour, int minute, int second = 0);
// Seconds since 1970 of the date and time taken as local time in the current
// zone, daylight saving as it applies on that date (mktime).
std::int64_t LocalSeconds(int year, int month, int day, int hour, int minute, int second = 0);

// "YYYY-MM-DD HH:MM" of the current minute, in UTC or in the current zone:
// the start a timer due now is given on a command line.
std::string ThisMinute(bool utc);

}  // namespace testsupport
