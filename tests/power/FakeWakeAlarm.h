// An alarm clock for the tests: refuses to open with a chosen error number,
// or remembers the time it was set to.
#pragma once

#include <optional>

#include "platform/power/WakeAlarm.h"

namespace power::testing {

struct FakeAlarmState {
  int openError = 0;
  int opens = 0;
  std::optional<std::int64_t> setTo;
};

class FakeWakeAlarm final : public IWakeAlarm {
 public:
  explicit FakeWakeAlarm(FakeAlarmState& state) : state_(state) {}
  int Open() override {
    ++state_.opens;
    return state_.openError;
  }
  int Set(std::int64_t utcSeconds) override {
    state_.setTo = utcSeconds;
    return 0;
  }
  void Clear() override { state_.setTo.reset(); }
  const char* Name() const override { return "fake alarm"; }

 private:
  FakeAlarmState& state_;
};

}  // namespace power::testing
