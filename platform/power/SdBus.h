// Small helpers over sd-bus shared by the bus users of this folder.
#pragma once

#include <systemd/sd-bus.h>

#include <memory>
#include <string>

namespace power {

struct BusDeleter {
  void operator()(sd_bus* bus) const { sd_bus_flush_close_unref(bus); }
};
using BusPtr = std::unique_ptr<sd_bus, BusDeleter>;

// The system bus, or the user's session bus; null with the reason in `error`.
BusPtr OpenBus(bool system, std::string* error);

// Whether `name` has an owner on `bus` (a service that answers there).
bool NameHasOwner(sd_bus* bus, const char* name);

}  // namespace power
