// The stand-in for logind where there is no system bus (containers, CI): it
// grants every lock without holding anything off, and remembers what was
// asked, for the tests and for the trace. Signals posted to it are delivered
// by Wait as the bus would deliver them.
#pragma once

#include <condition_variable>
#include <deque>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "platform/power/PowerBus.h"

namespace power {

class RecordedPowerBus final : public IPowerBus {
 public:
  RecordedPowerBus();

  std::unique_ptr<IInhibitLock> Inhibit(const InhibitRequest& request, int* error) override;
  bool CanBlockShutdown() const override { return false; }
  void Wait(int milliseconds, const std::function<void(const BusSignal&)>& signal) override;
  void Wake() override;

  // Queues a signal for the next Wait.
  void Post(const BusSignal& signal);

  // What was asked, in order: "take WHAT MODE: WHY" and "release WHAT MODE".
  std::vector<std::string> Log() const;
  // The locks taken and not yet released, as "WHAT MODE".
  std::vector<std::string> Held() const;

 private:
  struct Record {
    std::mutex mutex;
    std::vector<std::string> log;
    std::vector<std::string> held;
  };
  class Lock;

  std::shared_ptr<Record> record_;
  std::mutex mutex_;
  std::condition_variable wake_;
  std::deque<BusSignal> signals_;
  bool woken_ = false;
};

}  // namespace power
