// "timers list|add|remove": the timer list of the data folder, changed as the
// "Timers" and "Set Timer" dialogs change it (app/timers). While a copy runs
// on the folder (the desktop program or "corvane-cli daemon"), the command is
// handed to it over the folder's socket and its answer printed; otherwise
// the settings file is read and written here, with the folder held meanwhile.
#pragma once

#include <cstdio>
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

}  // namespace cli
