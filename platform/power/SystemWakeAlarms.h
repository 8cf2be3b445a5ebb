// The machine's alarm clocks: a timerfd on CLOCK_REALTIME_ALARM (needs
// CAP_WAKE_ALARM) and the RTC's wake alarm in sysfs (needs write access to
// its file), in that order of preference.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "platform/power/WakeAlarm.h"

namespace power {

inline constexpr char kRtcWakeAlarmPath[] = "/sys/class/rtc/rtc0/wakealarm";

class TimerfdWakeAlarm final : public IWakeAlarm {
 public:
  ~TimerfdWakeAlarm() override;
  int Open() override;
  int Set(std::int64_t utcSeconds) override;
  void Clear() override;
  const char* Name() const override { return "timerfd CLOCK_REALTIME_ALARM"; }

 private:
  int fd_ = -1;
};

class RtcWakeAlarm final : public IWakeAlarm {
 public:
  explicit RtcWakeAlarm(std::string path = kRtcWakeAlarmPath) : path_(std::move(path)) {}
  int Open() override;
  int Set(std::int64_t utcSeconds) override;
  void Clear() override;
  const char* Name() const override { return "RTC wake alarm"; }

 private:
  int Write(const std::string& text) const;

  std::string path_;
};

std::vector<std::unique_ptr<IWakeAlarm>> SystemWakeAlarms();

}  // namespace power
