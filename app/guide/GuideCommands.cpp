#include "app/guide/GuideCommands.h"

namespace app {

std::optional<std::uint16_t> GuideCommandOf(std::uint16_t mainCommand) {
  switch (mainCommand) {
    case 112:  // Right
      return kGuideNextProgramme;
    case 113:  // Left
      return kGuidePreviousProgramme;
    case 114:  // Up
      return kGuidePreviousRow;
    case 115:  // Down
      return kGuideNextRow;
    case 40190:  // Enter
      return kGuideTune;
    case 1094:  // "R", media record
      return kGuideRecordOnce;
    case 40204:  // Page Up
      return kGuidePageUp;
    case 40205:  // Page Down
      return kGuidePageDown;
    case kGuideDayLater:
    case kGuideDayEarlier:
    case kGuideCancel:  // Escape
      return mainCommand;
    default:
      return std::nullopt;
  }
}

}  // namespace app
