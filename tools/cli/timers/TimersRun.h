// "timers list|add|remove": the timer list of the data folder's settings file,
// changed as the "Timers" and "Set Timer" dialogs change it (tools/cli/timers).
#pragma once

#include <cstdio>
#include <optional>
#include <span>
#include <string>

namespace cli {

inline constexpr const char* kTimersListUsage = "[--instance NAME]";
inline constexpr const char* kTimersAddUsage =
    "--channel C --start \"YYYY-MM-DD HH:MM\" --minutes M [--days MTWTFSS] [--title T] "
    "[--instance NAME]";
inline constexpr const char* kTimersRemoveUsage = "N [--instance NAME]";

int RunTimersList(std::span<const std::string> args, std::FILE* out, std::FILE* err);
int RunTimersAdd(std::span<const std::string> args, std::FILE* out, std::FILE* err);
int RunTimersRemove(std::span<const std::string> args, std::FILE* out, std::FILE* err);

// "YYYY-MM-DD HH:MM" as wall-clock seconds (the local time counted as if it
// were UTC); nothing when the text is not a valid time.
std::optional<std::int64_t> ParseWallClock(const std::string& text);

// The weekly day mask of "MTWTFSS" (Monday first; any other character, such
// as '-', leaves the day out); nothing unless seven characters are given.
std::optional<std::uint8_t> ParseDays(const std::string& text);

}  // namespace cli
