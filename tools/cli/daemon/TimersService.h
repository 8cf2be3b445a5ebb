// The timer requests a recorder takes over its data folder's socket while it
// runs: each is applied to the recorder's own timer list by the same timer
// logic as "timers" without a recorder, a change is saved at once, and the
// answer goes back to the command that asked.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "tools/cli/timers/TimerCommands.h"

namespace cli {

class TimersService {
 public:
  // `save` writes the settings file; false when it could not.
  TimersService(TimersTarget target, std::function<bool()> save)
      : target_(target), save_(std::move(save)) {}

  // The answer to a request line (nothing: no whole line came).
  std::string Answer(std::optional<std::string_view> request);

 private:
  TimersTarget target_;
  std::function<bool()> save_;
};

}  // namespace cli
