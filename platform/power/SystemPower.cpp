#include "platform/power/SystemPower.h"

#include <cstdio>
#include <string>

#include "common/TimeBase.h"
#include "platform/power/LogindBus.h"
#include "platform/power/RecordedPowerBus.h"
#include "platform/power/SystemWakeAlarms.h"

namespace power {

SystemPower::SystemPower() {
  std::string reason;
  bus_ = OpenLogindBus(&reason);
  available_ = bus_ != nullptr;
  if (!available_) {
    std::printf(
        "Power management is not available (%s): keep-awake and shutdown blocking are "
        "recorded only\n",
        reason.c_str());
    bus_ = std::make_unique<RecordedPowerBus>();
  }
  screenSaver_ = OpenSessionScreenSaver();
  wakeTimer_ = std::make_unique<WakeTimer>(SystemWakeAlarms());
  service_ = std::make_unique<PowerService>(
      *bus_, *wakeTimer_, [] { return common::NowUtc(); }, screenSaver_.get());
}

SystemPower::~SystemPower() = default;

std::vector<std::string> SystemPower::RecordedAsks() const {
  if (available_) return {};
  return static_cast<const RecordedPowerBus&>(*bus_).Log();
}

}  // namespace power
