#include "app/timers/TimersAnswer.h"

#include "app/timers/TimersRequest.h"
#include "platform/ui/InstanceChannel.h"

namespace app {

std::string AnswerTimersRequest(std::optional<std::string_view> line, const TimersHolder& holder) {
  if (!line) {
    return TimersAnswerText({2, "a request is one line of at most " +
                                    std::to_string(ui::kMaxChannelRequest) + " bytes"});
  }
  std::string refusal;
  const auto request = ParseTimersRequest(*line, &refusal);
  if (!request) return TimersAnswerText({2, refusal});
  // Reading the list is harmless while a dialog has it open; a change would
  // come under the user's hands.
  if (holder.editing && request->verb != TimersVerb::kList)
    return TimersAnswerText({1, kTimersBusy});
  TimersOutcome outcome = RunTimersCommand(request->verb, request->options, holder.target);
  // The change stays in the list and is saved again when the holder ends.
  if (outcome.changed && !holder.save()) outcome = {1, "the settings file was not saved", false};
  return TimersAnswerText(outcome);
}

}  // namespace app
