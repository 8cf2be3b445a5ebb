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

// A channel as typed: what Enter tunes after typing it in the program ("7",
// "5.5", "31.5.2"); failing that "P" is physical channel P of the scan band
// and "P.N" programme N on it, tuned as a channel the list does not hold.
// Nothing when the text is neither or the channel lies outside the band.
std::optional<tuning::ChannelLocator> ResolveChannelText(const std::string& text,
                                                         tuning::ChannelList& channels,
                                                         tuning::ChannelMap map,
                                                         tuning::ModulationMask mode);

}  // namespace cli
