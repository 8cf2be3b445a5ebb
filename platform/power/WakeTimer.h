// The timer that wakes the machine for the next recording. The first alarm
// clock of the list that opens is taken and kept; when none opens, arming
// writes the trace "CreateWaitableTimer failed (%d)\n" with the first refusal's
// error number and goes on without a wake-up (it is tried again next time).
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "platform/power/WakeAlarm.h"

namespace power {

class WakeTimer {
 public:
  explicit WakeTimer(std::vector<std::unique_ptr<IWakeAlarm>> candidates)
      : candidates_(std::move(candidates)) {}

  // Arms the timer for `utcSeconds`; false when no alarm clock took it.
  bool Arm(std::int64_t utcSeconds);
  void Cancel();

  // The alarm clock in use (null before the first successful arm).
  const IWakeAlarm* Alarm() const { return alarm_; }
  bool Armed() const { return armed_; }

 private:
  IWakeAlarm* OpenFirst();

  std::vector<std::unique_ptr<IWakeAlarm>> candidates_;
  IWakeAlarm* alarm_ = nullptr;
  bool armed_ = false;
};

}  // namespace power
