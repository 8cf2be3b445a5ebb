#include "app/timers/TimerCommands.h"

#include <cstdio>
#include <ctime>

#include "app/TimerMessages.h"
#include "common/Utf16.h"
#include "recording/TimerForms.h"
#include "tuning/ChannelText.h"

namespace app {
namespace {

constexpr int kMaxMinutes = 24 * 60;
// The last year whose times (and a day beyond) fit a timer's 32-bit UTC
// seconds.
constexpr int kLastYear = 2105;

TimersOutcome Refuse(std::string message) {
  return {1, std::move(message), false};
}

std::string TimerLines(const recording::TimerList& timers) {
  std::string text;
  int number = 0;
  for (const recording::TimerRecord& timer : timers)
    text += std::to_string(++number) + ": " + recording::TimerText(timer) + "\n";
  return number == 0 ? "No timers.\n" : text;
}

TimersOutcome Add(const TimersOptions& o, const TimersTarget& t) {
  const auto channel = tuning::ResolveChannelText(o.channel, t.channels, t.settings.scanChannelMap,
                                                  t.settings.scanModulation);
  if (!channel) return Refuse("no channel \"" + o.channel + "\"");
  const auto start = ParseWallClock(o.start);
  if (!start) return Refuse("not a time: \"" + o.start + "\" (YYYY-MM-DD HH:MM)");
  const auto minutes = tuning::ParseDecimal(o.minutes);
  if (!minutes) return Refuse("not a number of minutes: \"" + o.minutes + "\"");

  recording::TimerForm form = recording::NewTimerForm(*channel, t.clock);
  form.start = *start;
  // More than a day is refused as such; the seconds must not wrap into a
  // valid duration on the way.
  form.duration = *minutes <= kMaxMinutes ? static_cast<std::uint32_t>(*minutes) * 60 : 0;
  if (!o.title.empty()) form.name = common::FromUtf8(o.title);
  if (!o.days.empty()) {
    const auto days = ParseDays(o.days);
    if (!days) return Refuse("days are seven letters or dashes: \"MTWTF--\"");
    form.repeatKind = recording::RepeatKind::kWeekly;
    form.dayMask = *days;
  }
  const auto result =
      recording::SaveTimerForm(t.timers, std::nullopt, form, t.clock, t.conflictLimit);
  if (const char* refusal = TimerFormRefusalText(result)) return Refuse(refusal);
  return {0, TimerLines(t.timers), true};
}

TimersOutcome Remove(const TimersOptions& o, const TimersTarget& t) {
  const auto number = tuning::ParseDecimal(o.words[0]);
  if (!number || *number < 1 || *number > t.timers.count())
    return Refuse("no timer " + o.words[0] + " (corvane-cli timers list numbers them)");
  // A timer that records stops its recording first.
  t.timers.RemoveTimer(*number - 1);
  return {0, TimerLines(t.timers), true};
}

}  // namespace

const char* TimersVerbWord(TimersVerb verb) {
  switch (verb) {
    case TimersVerb::kList:
      return "list";
    case TimersVerb::kAdd:
      return "add";
    case TimersVerb::kRemove:
      break;
  }
  return "remove";
}

std::optional<TimersVerb> TimersVerbOf(std::string_view word) {
  for (const TimersVerb verb : {TimersVerb::kList, TimersVerb::kAdd, TimersVerb::kRemove}) {
    if (word == TimersVerbWord(verb)) return verb;
  }
  return std::nullopt;
}

bool ParseTimersOptions(TimersVerb verb, std::span<const std::string> args, TimersOptions& o) {
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& a = args[i];
    if (!a.starts_with("--")) {
      o.words.push_back(a);
      continue;
    }
    if (i + 1 >= args.size()) return false;
    const std::string& value = args[++i];
    if (a == "--channel") {
      o.channel = value;
    } else if (a == "--start") {
      o.start = value;
    } else if (a == "--minutes") {
      o.minutes = value;
    } else if (a == "--days") {
      o.days = value;
    } else if (a == "--title") {
      o.title = value;
    } else if (a == "--instance") {
      o.instance = value;
    } else {
      return false;
    }
  }
  switch (verb) {
    case TimersVerb::kList:
      return o.words.empty();
    case TimersVerb::kAdd:
      return o.words.empty() && !o.channel.empty() && !o.start.empty() && !o.minutes.empty();
    case TimersVerb::kRemove:
      break;
  }
  return o.words.size() == 1;
}

TimersOutcome RunTimersCommand(TimersVerb verb, const TimersOptions& o,
                               const TimersTarget& target) {
  switch (verb) {
    case TimersVerb::kList:
      return {0, TimerLines(target.timers), false};
    case TimersVerb::kAdd:
      return Add(o, target);
    case TimersVerb::kRemove:
      break;
  }
  return Remove(o, target);
}

std::optional<std::int64_t> ParseWallClock(const std::string& text) {
  int year = 0, month = 0, day = 0, hour = 0, minute = 0, used = 0;
  if (std::sscanf(text.c_str(), "%4d-%2d-%2d %2d:%2d%n", &year, &month, &day, &hour, &minute,
                  &used) != 5 ||
      static_cast<std::size_t>(used) != text.size()) {
    return std::nullopt;
  }
  std::tm t{};
  t.tm_year = year - 1900;
  t.tm_mon = month - 1;
  t.tm_mday = day;
  t.tm_hour = hour;
  t.tm_min = minute;
  const std::time_t seconds = timegm(&t);
  // timegm normalises out-of-range fields: a date that moved was not valid.
  if (t.tm_year != year - 1900 || t.tm_mon != month - 1 || t.tm_mday != day || t.tm_hour != hour ||
      t.tm_min != minute || year < 1970 || year > kLastYear) {
    return std::nullopt;
  }
  return static_cast<std::int64_t>(seconds);
}

std::optional<std::uint8_t> ParseDays(const std::string& text) {
  if (text.size() != 7) return std::nullopt;
  static constexpr char kLetters[] = "MTWTFSS";
  std::uint8_t mask = 0;
  for (int i = 0; i < 7; ++i) {
    // Monday is weekday 1; Sunday, the seventh letter, weekday 0.
    if (text[static_cast<std::size_t>(i)] == kLetters[i]) mask |= recording::DayBit((i + 1) % 7);
  }
  return mask;
}

}  // namespace app
