#include "tables/grid/GridText.h"

#include <cstdio>

#include "common/TimeBase.h"
#include "common/Utf16.h"

namespace tables::grid {
namespace {

constexpr std::size_t kDescriptionCharacters = 512;
constexpr const char* kWeekdays[] = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};

// "%d:%02d %s" of a local time on the 12-hour clock.
std::string ClockText(const std::tm& tm) {
  const int hour12 = tm.tm_hour % 12 == 0 ? 12 : tm.tm_hour % 12;
  char text[16];
  std::snprintf(text, sizeof text, "%d:%02d %s", hour12, tm.tm_min, tm.tm_hour < 12 ? "AM" : "PM");
  return text;
}

std::tm RoundedLocal(std::int64_t utc) {
  return common::LocalTime((utc + 30) / 60 * 60);
}

}  // namespace

std::string DetailsText(const GridEvent& event, const std::u16string* description) {
  const std::tm start = RoundedLocal(event.start);
  char date[32];
  std::snprintf(date, sizeof date, "%s %02d/%02d ", kWeekdays[start.tm_wday], start.tm_mon + 1,
                start.tm_mday);
  const std::string about =
      description
          ? common::ToUtf8(std::u16string_view(*description).substr(0, kDescriptionCharacters))
          : std::string("No description");
  return common::ToUtf8(event.title) + "\n" + date + ClockText(start) + " - " +
         ClockText(RoundedLocal(event.End())) + " " + event.rating + "\n" + about;
}

std::string DateLabel(std::int64_t gridStartUtc) {
  const std::tm tm = common::LocalTime(gridStartUtc);
  char text[16];
  std::snprintf(text, sizeof text, "%s %02d/%02d", kWeekdays[tm.tm_wday], tm.tm_mon + 1,
                tm.tm_mday);
  return text;
}

std::array<std::string, 4> TimeLabels(std::int64_t gridStartUtc) {
  std::array<std::string, 4> labels;
  const std::int64_t first = gridStartUtc / kHalfHour * kHalfHour;
  for (std::size_t i = 0; i < labels.size(); ++i)
    labels[i] = ClockText(common::LocalTime(first + static_cast<std::int64_t>(i) * kHalfHour));
  return labels;
}

std::string ChannelLabel(const GridRow& row) {
  char text[32];
  std::snprintf(text, sizeof text, "%d.%d ", static_cast<int>(row.locator.major()),
                static_cast<int>(row.locator.minor()));
  return text + common::ToUtf8(row.name);
}

}  // namespace tables::grid
