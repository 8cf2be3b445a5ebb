// The power services of this machine, as the program starts them: logind when
// the system bus has it, the recorded stand-in (with one trace line) when it
// does not, the session's screen saver when one answers, and the machine's
// alarm clocks for the wake timer.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "platform/power/PowerBus.h"
#include "platform/power/PowerService.h"
#include "platform/power/ScreenSaver.h"
#include "platform/power/WakeTimer.h"

namespace power {

class SystemPower {
 public:
  // Opens the services; Service().Start(sink) then begins the notices.
  SystemPower();
  ~SystemPower();
  SystemPower(const SystemPower&) = delete;
  SystemPower& operator=(const SystemPower&) = delete;

  PowerService& Service() { return *service_; }
  // False when the stand-in records in logind's place.
  bool Available() const { return available_; }
  // What the stand-in was asked, in order (empty with logind).
  std::vector<std::string> RecordedAsks() const;

 private:
  // Destroyed last to first: the service, whose thread waits on the bus, goes first.
  std::unique_ptr<IPowerBus> bus_;
  std::unique_ptr<IScreenSaver> screenSaver_;
  std::unique_ptr<WakeTimer> wakeTimer_;
  std::unique_ptr<PowerService> service_;
  bool available_ = false;
};

}  // namespace power
