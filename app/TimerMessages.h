// The user's messages for timers the timer list refused.
#pragma once

#include "recording/TimerForms.h"
#include "recording/TimerList.h"

namespace app {

// The "Error!" box text of a refused timer; null when the timer was added.
const char* AddTimerRefusalText(recording::AddTimerResult result);

// Shows the "Error!" box of a refused timer; true when the timer was added.
bool ReportAddTimer(recording::AddTimerResult result);

// The "Error!" box text of a "Set Timer" OK that did not save; null otherwise.
const char* TimerFormRefusalText(recording::TimerFormResult result);

// Shows the box of a "Set Timer" OK; true when the dialog closes (the timer
// was saved, added or refused by the list), false when it stays open for the
// user to correct the input.
bool ReportTimerForm(recording::TimerFormResult result);

}  // namespace app
