#include "platform/power/SdBus.h"

#include <cstring>

namespace power {

BusPtr OpenBus(bool system, std::string* error) {
  sd_bus* bus = nullptr;
  const int r = system ? sd_bus_open_system(&bus) : sd_bus_open_user(&bus);
  if (r < 0) {
    if (error != nullptr) {
      *error = std::string(system ? "no system bus: " : "no session bus: ") + std::strerror(-r);
    }
    return nullptr;
  }
  return BusPtr(bus);
}

bool NameHasOwner(sd_bus* bus, const char* name) {
  int owned = 0;
  sd_bus_error error = SD_BUS_ERROR_NULL;
  sd_bus_message* reply = nullptr;
  int r = sd_bus_call_method(bus, "org.freedesktop.DBus", "/org/freedesktop/DBus",
                             "org.freedesktop.DBus", "NameHasOwner", &error, &reply, "s", name);
  if (r >= 0) r = sd_bus_message_read(reply, "b", &owned);
  sd_bus_message_unref(reply);
  sd_bus_error_free(&error);
  return r >= 0 && owned != 0;
}

}  // namespace power
