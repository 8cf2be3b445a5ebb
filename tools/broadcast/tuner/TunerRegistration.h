// The tuners a program or command can choose from: the virtual tuners of the
// broadcast on the air (see OnTheAir.h) and the machine's DVB adapters, both
// listed in the system device enumerator.
#pragma once

#include <memory>
#include <string>

namespace vtuner {
class Broadcast;
}

namespace broadcast {

// Lists both kinds of tuner. The DVB adapters are listed even when the
// broadcast cannot be loaded; then there are no virtual tuners, and the
// result is null with the reason in `error`. Else it is the broadcast the
// virtual tuners receive.
std::shared_ptr<vtuner::Broadcast> RegisterTuners(std::string* error);

// Takes both kinds out of the device enumerator again.
void UnregisterTuners();

}  // namespace broadcast
