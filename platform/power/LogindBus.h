// systemd-logind on the system bus: Inhibit for the locks (the returned file
// descriptor is the lock; closing it releases it) and the PrepareForSleep and
// PrepareForShutdown signals. Calls and signals use two connections, so the
// user-interface thread can take locks while the power thread waits.
#pragma once

#include <memory>
#include <string>

#include "platform/power/PowerBus.h"

namespace power {

// Connects to the system bus; null with the reason in `error` when there is
// no bus or logind does not answer on it.
std::unique_ptr<IPowerBus> OpenLogindBus(std::string* error);

}  // namespace power
