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
  }
  return nullptr;
}

bool ReportAddTimer(recording::AddTimerResult result) {
  const char* text = AddTimerRefusalText(result);
  if (text == nullptr) return true;
  common::ErrorBox("%s", text);
  return false;
}

}  // namespace app
