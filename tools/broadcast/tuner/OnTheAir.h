// What the virtual tuners receive: the broadcast description named by
// CORVANE_BROADCAST, or the bundled sample broadcast, with the simulator
// plugged in for its synthetic multiplexes.
#pragma once

#include <memory>
#include <string>

#include "platform/bda/virtual/Broadcast.h"
#include "platform/bda/virtual/PacketSource.h"

namespace broadcast {

// The factory that makes a live simulated multiplex from a description's
// synthetic multiplex.
vtuner::SyntheticSourceFactory SimulatorFactory();

// The broadcast of CORVANE_BROADCAST when set, else the sample broadcast; the
// simulator serves its synthetic multiplexes. Null and `error` on failure.
std::shared_ptr<vtuner::Broadcast> LoadBroadcast(std::string* error);

}  // namespace broadcast
