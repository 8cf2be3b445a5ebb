#include "tools/cli/daemon/TimersService.h"

#include "platform/ui/InstanceChannel.h"
#include "tools/cli/timers/TimersRequest.h"

namespace cli {

std::string TimersService::Answer(std::optional<std::string_view> line) {
  if (!line) {
    return TimersAnswerText({2, "a request is one line of at most " +
                                    std::to_string(ui::kMaxChannelRequest) + " bytes"});
  }
  std::string refusal;
  const auto request = ParseTimersRequest(*line, &refusal);
  if (!request) return TimersAnswerText({2, refusal});
  TimersOutcome outcome = RunTimersCommand(request->verb, request->options, target_);
  // The change stays in the list and is saved again when the recorder ends.
  if (outcome.changed && !save_()) outcome = {1, "the settings file was not saved", false};
  return TimersAnswerText(outcome);
}

}  // namespace cli
