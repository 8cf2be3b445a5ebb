// The timers requests the command-line tool hands to the copy that runs on
// the data folder (the desktop program or the recorder without a window), and
// that copy's answers. A request is one line: the words "timers" and the
// verb, then the command's arguments (without "--instance": the holder
// answers for its own folder), separated by tabs; no other control character
// may appear in it. An answer is the exit status ("0", "1" or "2") on a line
// of its own, then the text to print.
#pragma once

#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "app/timers/TimerCommands.h"

namespace app {

// The largest answer: 512 timers with names of 255 characters.
inline constexpr std::size_t kMaxTimersAnswer = 1 << 20;

// The request line (without its '\n'); nothing when an argument holds a
// control character, which the line could not carry.
std::optional<std::string> TimersRequestLine(TimersVerb verb, std::span<const std::string> args);

struct TimersRequest {
  TimersVerb verb = TimersVerb::kList;
  TimersOptions options;
};

// A request as the recorder reads it; nothing with the refusal in `refusal`
// when the line is not a request it takes.
std::optional<TimersRequest> ParseTimersRequest(std::string_view line, std::string* refusal);

std::string TimersAnswerText(const TimersOutcome& outcome);
// Nothing when the text is not an answer.
std::optional<TimersOutcome> ParseTimersAnswer(std::string_view text);

}  // namespace app
