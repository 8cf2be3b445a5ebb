// A clock that can wake the machine from sleep at a UTC time: a real-time
// alarm timer or the RTC's wake alarm. Both need permissions a desktop user
// often lacks, so opening one may be refused.
#pragma once

#include <cstdint>

namespace power {

class IWakeAlarm {
 public:
  virtual ~IWakeAlarm() = default;

  // Makes the alarm ready for use: 0, or the error number of the refusal.
  virtual int Open() = 0;
  // Sets the alarm to `utcSeconds` (replacing an earlier time): 0 or an error number.
  virtual int Set(std::int64_t utcSeconds) = 0;
  virtual void Clear() = 0;
  virtual const char* Name() const = 0;
};

}  // namespace power
