// A capture file put on the air: the one-multiplex broadcast that carries the
// capture at a channel map, physical channel and modulation, unpaced and
// played through a StreamGate so the controller can act once per second of
// stream time.
//
// Only the virtual tuner's description types are used; the broadcast
// simulator plays no part (the capture is read as it was written).
#pragma once

#include <cstdint>
#include <filesystem>
#include <memory>

#include "graph/capture/StreamGate.h"
#include "platform/bda/virtual/Broadcast.h"
#include "tuning/BandPlan.h"

namespace graph {

// The one-multiplex broadcast: `capture` at `hertz`, unpaced, played through
// `gate`.
std::shared_ptr<vtuner::Broadcast> CaptureBroadcast(const std::filesystem::path& capture,
                                                    tuning::ChannelMap map, int physical,
                                                    tuning::ModulationMask mode,
                                                    std::uint64_t hertz,
                                                    std::shared_ptr<StreamGate> gate);

}  // namespace graph
