// A capture file put on the air for a command: the channel map, physical
// channel and modulation typed on the command line, and the one-multiplex
// broadcast that carries the capture there, unpaced and played through a
// StreamGate so the command can act once per second of stream time.
#pragma once

#include <filesystem>
#include <memory>
#include <optional>
#include <string>

#include "platform/bda/virtual/Broadcast.h"
#include "tools/cli/psip/StreamGate.h"
#include "tuning/BandPlan.h"

namespace psip {

// A channel map by number (0-6) or name ("Antenna US", any letter case).
std::optional<tuning::ChannelMap> ParseChannelMap(const std::string& text);

// A mode ("VSB:8-VSB", "QAM:256-QAM", ...) or a family ("VSB": its automatic mode).
std::optional<tuning::ModulationMask> ParseModulation(const std::string& text);

// A decimal number of at most nine digits.
std::optional<int> ParseInt(const std::string& text);

// The one-multiplex broadcast: `capture` at `hertz`, unpaced, played through
// `gate`.
std::shared_ptr<vtuner::Broadcast> CaptureBroadcast(const std::filesystem::path& capture,
                                                    tuning::ChannelMap map, int physical,
                                                    tuning::ModulationMask mode,
                                                    std::uint64_t hertz,
                                                    std::shared_ptr<StreamGate> gate);

}  // namespace psip
