// What "timers list|add|remove" do to a timer list, wherever the list lives:
// in the command-line tool (the settings file read there) or in a running
// copy (the desktop program or the recorder without a window) that takes the
// request over its socket. Changes go through the timer logic of
// the "Set Timer" dialog: the bad time, the full list and the conflict with
// the tuners present and selected are refused in one line.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "app/Settings.h"
#include "recording/Clock.h"
#include "recording/TimerList.h"
#include "tuning/ChannelList.h"

namespace app {

enum class TimersVerb { kList, kAdd, kRemove };

// The words of a timers command's verb ("list", "add", "remove").
const char* TimersVerbWord(TimersVerb verb);
std::optional<TimersVerb> TimersVerbOf(std::string_view word);

// A timers command's arguments: "--name value" pairs and plain words.
struct TimersOptions {
  std::vector<std::string> words;
  std::string channel, start, minutes, days, title, instance;
};

// False when an option is unknown or has no value, or when the arguments do
// not fit the verb (the usage line is then due).
bool ParseTimersOptions(TimersVerb verb, std::span<const std::string> args, TimersOptions& o);

// The outcome of a command: the exit status, and the text for standard
// output (status 0) or the one-line refusal (status 1).
struct TimersOutcome {
  int status = 0;
  std::string text;
  bool changed = false;  // the list changed: the settings are to be saved
};

// The list a command works on.
struct TimersTarget {
  recording::TimerList& timers;
  tuning::ChannelList& channels;
  const Settings& settings;  // the band plan and modulation of channel texts
  int conflictLimit;         // the tuners present and selected
  const recording::Clock& clock;
};

TimersOutcome RunTimersCommand(TimersVerb verb, const TimersOptions& o, const TimersTarget& target);

// "YYYY-MM-DD HH:MM" as wall-clock seconds (the local time counted as if it
// were UTC); nothing when the text is not a valid time or lies outside the
// years 1970 to 2105 that a timer can hold.
std::optional<std::int64_t> ParseWallClock(const std::string& text);

// The weekly day mask of "MTWTFSS" (Monday first; any other character, such
// as '-', leaves the day out); nothing unless seven characters are given.
std::optional<std::uint8_t> ParseDays(const std::string& text);

}  // namespace app
