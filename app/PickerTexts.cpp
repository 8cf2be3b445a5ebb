#include "app/PickerTexts.h"

#include <charconv>
#include <cstdio>

#include "common/TimeBase.h"

namespace app {
namespace {

// Days since 1970-01-01 of a date of the proleptic Gregorian calendar.
std::int64_t DaysFromCivil(std::int64_t y, int m, int d) {
  y -= m <= 2 ? 1 : 0;
  const std::int64_t era = common::FloorDiv(y, 400);
  const std::int64_t yoe = y - era * 400;
  const std::int64_t doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
  const std::int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + doe - 719468;
}

// Reads `digits` decimal digits at `pos`; nothing when they are not there.
std::optional<int> Digits(std::string_view text, std::size_t pos, std::size_t digits) {
  if (pos + digits > text.size()) return std::nullopt;
  int value = 0;
  const char* first = text.data() + pos;
  const auto [end, ec] = std::from_chars(first, first + digits, value);
  if (ec != std::errc() || end != first + digits) return std::nullopt;
  return value;
}

bool CharAt(std::string_view text, std::size_t pos, char c) {
  return pos < text.size() && text[pos] == c;
}

int DaysInMonth(std::int64_t y, int m) {
  static constexpr int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  const bool leap = (y % 4 == 0 && y % 100 != 0) || y % 400 == 0;
  return m == 2 && leap ? 29 : kDays[m - 1];
}

}  // namespace

std::string StartPickerText(std::int64_t wallSeconds) {
  const std::tm t = common::WallClockFields(wallSeconds);
  const int hour12 = t.tm_hour % 12 == 0 ? 12 : t.tm_hour % 12;
  char text[64];
  std::snprintf(text, sizeof text, "%04d/%02d/%02d %02d:%02d %s", t.tm_year + 1900, t.tm_mon + 1,
                t.tm_mday, hour12, t.tm_min, t.tm_hour < 12 ? "AM" : "PM");
  return text;
}

std::optional<std::int64_t> StartFromPickerText(std::string_view text) {
  // yyyy/MM/dd hh:mm tt
  const auto year = Digits(text, 0, 4);
  const auto month = Digits(text, 5, 2);
  const auto day = Digits(text, 8, 2);
  const auto hour = Digits(text, 11, 2);
  const auto minute = Digits(text, 14, 2);
  if (!year || !month || !day || !hour || !minute || text.size() != 19) return std::nullopt;
  if (!CharAt(text, 4, '/') || !CharAt(text, 7, '/') || !CharAt(text, 10, ' ') ||
      !CharAt(text, 13, ':') || !CharAt(text, 16, ' ') || !CharAt(text, 18, 'M'))
    return std::nullopt;
  const bool pm = CharAt(text, 17, 'P');
  if (!pm && !CharAt(text, 17, 'A')) return std::nullopt;
  if (*month < 1 || *month > 12 || *day < 1 || *day > DaysInMonth(*year, *month) || *hour < 1 ||
      *hour > 12 || *minute > 59)
    return std::nullopt;
  const int hour24 = *hour % 12 + (pm ? 12 : 0);
  return DaysFromCivil(*year, *month, *day) * 86400 + hour24 * 3600 + *minute * 60;
}

std::string DurationPickerText(std::uint32_t seconds) {
  char text[32];
  std::snprintf(text, sizeof text, "%02u:%02u", seconds / 3600, seconds / 60 % 60);
  return text;
}

std::optional<std::uint32_t> DurationFromPickerText(std::string_view text) {
  const auto hours = Digits(text, 0, 2);
  const auto minutes = Digits(text, 3, 2);
  if (!hours || !minutes || text.size() != 5 || !CharAt(text, 2, ':') || *minutes > 59)
    return std::nullopt;
  return static_cast<std::uint32_t>(*hours * 3600 + *minutes * 60);
}

}  // namespace app
