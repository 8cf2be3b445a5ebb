#include "platform/bda/virtual/Clock.h"

#include <thread>

namespace vtuner {
namespace {

class SteadyClockImpl : public Clock {
 public:
  std::chrono::nanoseconds Now() override {
    return std::chrono::steady_clock::now().time_since_epoch();
  }
  void SleepUntil(std::chrono::nanoseconds time) override {
    std::this_thread::sleep_until(std::chrono::steady_clock::time_point(
        std::chrono::duration_cast<std::chrono::steady_clock::duration>(time)));
  }
};

}  // namespace

Clock& SteadyClock() {
  static SteadyClockImpl clock;
  return clock;
}

}  // namespace vtuner
