#include "platform/power/SharedInhibitor.h"

#include <cstdio>

namespace power {

std::unique_ptr<IInhibitLock> TakeLock(IPowerBus& bus, const InhibitRequest& request) {
  int error = 0;
  auto lock = bus.Inhibit(request, &error);
  if (lock == nullptr) {
    std::printf("Inhibit(%s, %s) failed (%d)\n", request.what.c_str(), request.mode.c_str(), error);
  }
  return lock;
}

void SharedInhibitor::Acquire() {
  if (holders_++ == 0) lock_ = TakeLock(bus_, request_);
}

void SharedInhibitor::Release() {
  if (holders_ == 0) return;
  if (--holders_ == 0) lock_.reset();
}

}  // namespace power
