#include "platform/power/WakeTimer.h"

#include <cstdio>

namespace power {

IWakeAlarm* WakeTimer::OpenFirst() {
  int firstError = 0;
  for (auto& candidate : candidates_) {
    const int error = candidate->Open();
    if (error == 0) return candidate.get();
    if (firstError == 0) firstError = error;
  }
  std::printf("CreateWaitableTimer failed (%d)\n", firstError);
  return nullptr;
}

bool WakeTimer::Arm(std::int64_t utcSeconds) {
  if (alarm_ == nullptr) alarm_ = OpenFirst();
  if (alarm_ == nullptr) return false;
  const int error = alarm_->Set(utcSeconds);
  if (error != 0) {
    std::printf("SetWaitableTimer failed (%d)\n", error);
    armed_ = false;
    return false;
  }
  armed_ = true;
  return true;
}

void WakeTimer::Cancel() {
  if (alarm_ != nullptr && armed_) alarm_->Clear();
  armed_ = false;
}

}  // namespace power
