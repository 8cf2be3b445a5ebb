#include "tests/support/TimeZone.h"

#include <cstdlib>
#include <ctime>

namespace testsupport {

ScopedTimeZone::ScopedTimeZone(const char* zone) {
  if (const char* old = std::getenv("TZ")) {
    hadZone_ = true;
    previous_ = old;
  }
  setenv("TZ", zone, 1);
  tzset();
}

ScopedTimeZone::~ScopedTimeZone() {
  if (hadZone_) {
    setenv("TZ", previous_.c_str(), 1);
  } else {
    unsetenv("TZ");
  }
  tzset();
}

namespace {

std::tm Calendar(int year, int month, int day, int hour, int minute, int second) {
  std::tm tm{};
  tm.tm_year = year - 1900;
  tm.tm_mon = month - 1;
  tm.tm_mday = day;
  tm.tm_hour = hour;
  tm.tm_min = minute;
  tm.tm_sec = second;
  tm.tm_isdst = -1;
  return tm;
}

}  // namespace

std::int64_t UtcSeconds(int year, int month, int day, int hour, int minute, int second) {
  std::tm tm = Calendar(year, month, day, hour, minute, second);
  return static_cast<std::int64_t>(timegm(&tm));
}

std::int64_t LocalSeconds(int year, int month, int day, int hour, int minute, int second) {
  std::tm tm = Calendar(year, month, day, hour, minute, second);
  return static_cast<std::int64_t>(std::mktime(&tm));
}

std::string ThisMinute(bool utc) {
  const std::time_t now = std::time(nullptr);
  std::tm parts{};
  if (utc) {
    gmtime_r(&now, &parts);
  } else {
    localtime_r(&now, &parts);
  }
  char text[32];
  std::strftime(text, sizeof text, "%Y-%m-%d %H:%M", &parts);
  return text;
}

}  // namespace testsupport
