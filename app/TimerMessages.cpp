#include "app/TimerMessages.h"

#include "common/ErrorBox.h"

namespace app {

const char* AddTimerRefusalText(recording::AddTimerResult result) {
  switch (result) {
    case recording::AddTimerResult::kAdded:
      return nullptr;
    case recording::AddTimerResult::kListFull:
      return "Can not add timer, timer list is full.";
    case recording::AddTimerResult::kConflict:
      return "Timer conflicts with an existing timer.";
    case recording::AddTimerResult::kInvalidDuration:
      return "Invalid duration.";
  }
  return nullptr;
}

bool ReportAddTimer(recording::AddTimerResult result) {
  const char* text = AddTimerRefusalText(result);
  if (text == nullptr) return true;
  common::ErrorBox("%s", text);
  return false;
}

const char* TimerFormRefusalText(recording::TimerFormResult result) {
  using recording::TimerFormResult;
  switch (result) {
    case TimerFormResult::kInvalidDuration:
      return AddTimerRefusalText(recording::AddTimerResult::kInvalidDuration);
    case TimerFormResult::kNoDayChecked:
      return "Weekly timers must have at least one day checked.";
    case TimerFormResult::kListFull:
      return AddTimerRefusalText(recording::AddTimerResult::kListFull);
    case TimerFormResult::kConflict:
      return AddTimerRefusalText(recording::AddTimerResult::kConflict);
    case TimerFormResult::kSaved:
    case TimerFormResult::kAdded:
    case TimerFormResult::kTimerGone:  // the list is rebuilt without it
      return nullptr;
  }
  return nullptr;
}

bool ReportTimerForm(recording::TimerFormResult result) {
  if (const char* text = TimerFormRefusalText(result)) common::ErrorBox("%s", text);
  return result != recording::TimerFormResult::kInvalidDuration &&
         result != recording::TimerFormResult::kNoDayChecked;
}

}  // namespace app
