// The texts of the guide grid: the details panel, the date and half-hour
// labels, and the channel labels. Times are shown in local time.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

#include "tables/grid/GridSnapshot.h"

namespace tables::grid {

// "%s\n%S %02d/%02d %d:%02d %s - %d:%02d %s %S\n%.512s": title; weekday,
// month and day of the start; start and end on the 12-hour clock, rounded
// to the nearest minute; rating; the description cut to 512 characters, or
// "No description" when there is none.
std::string DetailsText(const GridEvent& event, const std::u16string* description);

// "%S %02d/%02d": weekday, month and day of the grid start.
std::string DateLabel(std::int64_t gridStartUtc);

// "%d:%02d %s" of the grid start truncated to a half hour and the three
// half hours after it.
std::array<std::string, 4> TimeLabels(std::int64_t gridStartUtc);

// "%d.%d %s": the major number, the minor number and the channel's name.
std::string ChannelLabel(const GridRow& row);

}  // namespace tables::grid
