// The user's messages for timers the timer list refused.
#pragma once

#include "recording/TimerList.h"

namespace app {

// The "Error!" box text of a refused timer; null when the timer was added.
const char* AddTimerRefusalText(recording::AddTimerResult result);

// Shows the "Error!" box of a refused timer; true when the timer was added.
bool ReportAddTimer(recording::AddTimerResult result);

}  // namespace app
