// One inhibitor lock shared by several holders: taken when the first holder
// comes and released when the last one goes. A refused lock is traced; the
// holders are counted all the same, so the counts stay paired.
#pragma once

#include <memory>

#include "platform/power/PowerBus.h"

namespace power {

class SharedInhibitor {
 public:
  SharedInhibitor(IPowerBus& bus, InhibitRequest request)
      : bus_(bus), request_(std::move(request)) {}

  void Acquire();
  void Release();
  int Holders() const { return holders_; }
  bool Held() const { return lock_ != nullptr; }

 private:
  IPowerBus& bus_;
  InhibitRequest request_;
  std::unique_ptr<IInhibitLock> lock_;
  int holders_ = 0;
};

// Takes `request` on `bus`, tracing a refusal; null when refused.
std::unique_ptr<IInhibitLock> TakeLock(IPowerBus& bus, const InhibitRequest& request);

}  // namespace power
