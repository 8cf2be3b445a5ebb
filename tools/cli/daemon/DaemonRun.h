// "daemon": the recorder without a window. The scheduler of the program runs
// on the data folder's timers and the first tuner: what is due is recorded,
// sleep and shut-down are held off while it records, the wake timer is armed
// when the machine goes to sleep. SIGINT/SIGTERM stop a running recording
// cleanly (the file stays playable) and save the settings (tools/cli/daemon).
// Like the program, it holds the data folder while it runs and empties the
// buffer folder at its start. The "timers" commands hand their changes to it
// over the folder's socket (app/timers/TimersAnswer.h).
#pragma once

#include <cstdio>
#include <span>
#include <string>

namespace cli {

inline constexpr const char* kDaemonUsage = "[--instance NAME] [--tuner NAME] [--seconds N]";

int RunDaemon(std::span<const std::string> args, std::FILE* out, std::FILE* err);

}  // namespace cli
