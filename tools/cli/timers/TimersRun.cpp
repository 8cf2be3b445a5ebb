#include "tools/cli/timers/TimersRun.h"

#include <cstdint>
#include <ctime>

#include "app/TimerMessages.h"
#include "common/Utf16.h"
#include "recording/Clock.h"
#include "recording/TimerForms.h"
#include "tools/cli/psip/TuningText.h"
#include "tools/cli/session/ToolSession.h"
#include "tools/cli/watch/WatchRun.h"

namespace cli {
namespace {

int Fail(std::FILE* err, const std::string& message) {
  std::fprintf(err, "corvane-cli: %s\n", message.c_str());
  return 1;
}

// The options every timers command takes: "--name value" pairs and words.
struct Options {
  std::vector<std::string> words;
  std::string channel, start, minutes, days, title, instance;
};

bool Parse(std::span<const std::string> args, Options& o) {
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
  return true;
}

void PrintTimers(std::FILE* out, const recording::TimerList& timers) {
  int number = 0;
  for (const recording::TimerRecord& timer : timers)
    std::fprintf(out, "%d: %s\n", ++number, recording::TimerText(timer).c_str());
  if (number == 0) std::fprintf(out, "No timers.\n");
}

}  // namespace

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
      t.tm_min != minute || year < 1970) {
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

int RunTimersList(std::span<const std::string> args, std::FILE* out, std::FILE* err) {
  Options o;
  if (!Parse(args, o) || !o.words.empty()) {
    std::fprintf(err, "usage: corvane-cli timers list %s\n", kTimersListUsage);
    return 2;
  }
  ToolSession session;
  std::string error;
  if (!session.Open(common::FromUtf8(o.instance), "", &error)) return Fail(err, error);
  PrintTimers(out, session.Manager().timers);
  return 0;
}

int RunTimersAdd(std::span<const std::string> args, std::FILE* out, std::FILE* err) {
  Options o;
  if (!Parse(args, o) || !o.words.empty() || o.channel.empty() || o.start.empty() ||
      o.minutes.empty()) {
    std::fprintf(err, "usage: corvane-cli timers add %s\n", kTimersAddUsage);
    return 2;
  }
  ToolSession session;
  std::string error;
  if (!session.Open(common::FromUtf8(o.instance), "", &error)) return Fail(err, error);
  const app::Settings& settings = session.Settings();
  const auto channel = ResolveChannelText(o.channel, session.Channels(), settings.scanChannelMap,
                                          settings.scanModulation);
  if (!channel) return Fail(err, "no channel \"" + o.channel + "\"");
  const auto start = ParseWallClock(o.start);
  if (!start) return Fail(err, "not a time: \"" + o.start + "\" (YYYY-MM-DD HH:MM)");
  const auto minutes = ParseInt(o.minutes);
  if (!minutes) return Fail(err, "not a number of minutes: \"" + o.minutes + "\"");

  const recording::SystemClock clock;
  recording::TimerForm form = recording::NewTimerForm(*channel, clock);
  form.start = *start;
  form.duration = static_cast<std::uint32_t>(*minutes) * 60;
  if (!o.title.empty()) form.name = common::FromUtf8(o.title);
  if (!o.days.empty()) {
    const auto days = ParseDays(o.days);
    if (!days) return Fail(err, "days are seven letters or dashes: \"MTWTF--\"");
    form.repeatKind = recording::RepeatKind::kWeekly;
    form.dayMask = *days;
  }
  app::TunerManager& manager = session.Manager();
  const auto result = recording::SaveTimerForm(manager.timers, std::nullopt, form, clock,
                                               static_cast<int>(manager.tunerCount));
  if (const char* refusal = app::TimerFormRefusalText(result)) return Fail(err, refusal);
  if (!session.Save(settings.currentChannel)) return Fail(err, "the settings file was not saved");
  PrintTimers(out, manager.timers);
  return 0;
}

int RunTimersRemove(std::span<const std::string> args, std::FILE* out, std::FILE* err) {
  Options o;
  if (!Parse(args, o) || o.words.size() != 1) {
    std::fprintf(err, "usage: corvane-cli timers remove %s\n", kTimersRemoveUsage);
    return 2;
  }
  ToolSession session;
  std::string error;
  if (!session.Open(common::FromUtf8(o.instance), "", &error)) return Fail(err, error);
  recording::TimerList& timers = session.Manager().timers;
  const auto number = ParseInt(o.words[0]);
  if (!number || *number < 1 || *number > timers.count())
    return Fail(err, "no timer " + o.words[0] + " (corvane-cli timers list numbers them)");
  timers.RemoveTimer(*number - 1);
  if (!session.Save(session.Settings().currentChannel))
    return Fail(err, "the settings file was not saved");
  PrintTimers(out, timers);
  return 0;
}

}  // namespace cli
