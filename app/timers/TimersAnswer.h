// The timer requests a running copy takes over its data folder's socket:
// each is applied to the copy's own timer list by the same timer logic as
// "timers" without a running copy, a change is saved at once, and the answer
// goes back to the command that asked. Toolkit-free: the desktop program
// answers on its user-interface thread, the recorder between its ticks.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "app/timers/TimerCommands.h"

namespace app {

// The refusal while the holder cannot change its list: a timer is being
// edited by hand, or the holder is busy starting or changing a graph.
inline constexpr const char* kTimersBusy = "busy: the timers cannot be changed just now";

// The copy that holds a timer list, as a request meets it.
struct TimersHolder {
  TimersTarget target;
  std::function<bool()> save;  // writes the settings file; false when it could not
  bool editing = false;        // changes are refused as busy meanwhile
};

// The answer to a request line (nothing: no whole line came).
std::string AnswerTimersRequest(std::optional<std::string_view> request,
                                const TimersHolder& holder);

}  // namespace app
