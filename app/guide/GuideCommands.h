// The commands of the guide window, and the main window's commands that
// become them while the guide is shown.
#pragma once

#include <cstdint>
#include <optional>

namespace app {

inline constexpr std::uint16_t kGuideToggle = 120;
inline constexpr std::uint16_t kGuideNextRow = 1018;
inline constexpr std::uint16_t kGuidePreviousRow = 1046;
inline constexpr std::uint16_t kGuidePageDown = 1049;
inline constexpr std::uint16_t kGuidePageUp = 1047;
inline constexpr std::uint16_t kGuideNextProgramme = 1019;
inline constexpr std::uint16_t kGuidePreviousProgramme = 1020;
inline constexpr std::uint16_t kGuideDayLater = 1098;
inline constexpr std::uint16_t kGuideDayEarlier = 1099;
inline constexpr std::uint16_t kGuideTune = 1008;
inline constexpr std::uint16_t kGuideRecordOnce = 40150;
inline constexpr std::uint16_t kGuideRecordDaily = 40193;
inline constexpr std::uint16_t kGuideRecordWeekly = 40194;
inline constexpr std::uint16_t kGuideRecordMondayToFriday = 40198;
inline constexpr std::uint16_t kGuideRecordCustom = 40201;
inline constexpr std::uint16_t kGuideOk = 1;
inline constexpr std::uint16_t kGuideCancel = 2;

// The guide command a main-window command stands for while the guide is
// shown (arrows, Enter, "R", Page Up/Down, "[" and "]", Escape); none for
// the commands the main window keeps.
std::optional<std::uint16_t> GuideCommandOf(std::uint16_t mainCommand);

}  // namespace app
