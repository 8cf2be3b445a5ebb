// "watch": a channel on the program's graph manager, with what is on the air
// once a second (tools/cli/watch); with --decode the program's player shows
// it (headless, paced by the broadcast) and the decoders' work is reported.
#pragma once

#include <cstdio>
#include <optional>
#include <span>
#include <string>

#include "tuning/BandPlan.h"
#include "tuning/ChannelList.h"

namespace cli {

inline constexpr const char* kWatchUsage =
    "[CHANNEL] [--decode [--captions]] [--seconds N] [--instance NAME] [--tuner NAME]";

int RunWatch(std::span<const std::string> args, std::FILE* out, std::FILE* err);

}  // namespace cli
