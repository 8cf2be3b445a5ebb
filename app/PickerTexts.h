// The texts of the "Set Timer" pickers: the start as "yyyy/MM/dd hh:mm tt"
// (a local date and time, 12-hour with AM or PM) and the duration as "HH:mm".
// Times are wall-clock seconds: the local date and time counted as if UTC.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace app {

inline constexpr char kStartPickerFormat[] = "yyyy/MM/dd hh:mm tt";
inline constexpr char kDurationPickerFormat[] = "HH:mm";

// "2026/12/08 08:30 PM"; seconds are dropped.
std::string StartPickerText(std::int64_t wallSeconds);
// The wall-clock seconds of a start text; nothing when it is not one.
std::optional<std::int64_t> StartFromPickerText(std::string_view text);

// "01:30" for 5,400 s; seconds are dropped.
std::string DurationPickerText(std::uint32_t seconds);
// The seconds of "HH:mm"; nothing when it is not such a text.
std::optional<std::uint32_t> DurationFromPickerText(std::string_view text);

}  // namespace app
