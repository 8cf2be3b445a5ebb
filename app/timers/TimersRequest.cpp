#include "app/timers/TimersRequest.h"

#include <vector>

namespace app {
namespace {

constexpr std::string_view kWord = "timers";

bool ControlCharacter(char c) {
  const auto b = static_cast<unsigned char>(c);
  return b < 0x20 || b == 0x7F;
}

std::vector<std::string> SplitAtTabs(std::string_view line) {
  std::vector<std::string> words;
  for (;;) {
    const std::size_t tab = line.find('\t');
    words.emplace_back(line.substr(0, tab));
    if (tab == std::string_view::npos) return words;
    line.remove_prefix(tab + 1);
  }
}

}  // namespace

std::optional<std::string> TimersRequestLine(TimersVerb verb, std::span<const std::string> args) {
  std::string line = std::string(kWord) + '\t' + TimersVerbWord(verb);
  for (const std::string& arg : args) {
    for (const char c : arg) {
      if (ControlCharacter(c)) return std::nullopt;
    }
    line += '\t';
    line += arg;
  }
  return line;
}

std::optional<TimersRequest> ParseTimersRequest(std::string_view line, std::string* refusal) {
  for (const char c : line) {
    if (ControlCharacter(c) && c != '\t') {
      *refusal = "a request is one line without control characters";
      return std::nullopt;
    }
  }
  const std::vector<std::string> words = SplitAtTabs(line);
  if (words.size() < 2 || words[0] != kWord) {
    *refusal = "not a timers request";
    return std::nullopt;
  }
  TimersRequest request;
  const auto verb = TimersVerbOf(words[1]);
  if (!verb) {
    *refusal = "no timers command \"" + words[1] + "\"";
    return std::nullopt;
  }
  request.verb = *verb;
  const std::span<const std::string> args(words.begin() + 2, words.end());
  if (!ParseTimersOptions(*verb, args, request.options) || !request.options.instance.empty()) {
    *refusal = std::string("the arguments do not fit \"timers ") + words[1] + "\"";
    return std::nullopt;
  }
  return request;
}

std::string TimersAnswerText(const TimersOutcome& outcome) {
  std::string text = std::to_string(outcome.status) + '\n' + outcome.text;
  if (!text.ends_with('\n')) text += '\n';
  return text;
}

std::optional<TimersOutcome> ParseTimersAnswer(std::string_view text) {
  if (text.size() < 2 || text[1] != '\n' || text[0] < '0' || text[0] > '2') return std::nullopt;
  return TimersOutcome{text[0] - '0', std::string(text.substr(2)), false};
}

}  // namespace app
