// A reference clock that stands still until the command moves it: the clock of
// an unpaced graph whose controller knows how much stream has been delivered,
// so filters that act once a second of the graph's clock (the text source) do
// so once a second of stream however fast the bytes move.
#pragma once

#include <atomic>

#include "platform/media/SystemClock.h"

namespace graph {

class StreamClock : public CBaseReferenceClock {
 public:
  StreamClock() : CBaseReferenceClock("stream clock") {}
  ~StreamClock() override { StopThread(); }

  // Moves the clock to `time` (never backwards) and fires the advises due.
  void SetTime(REFERENCE_TIME time) {
    REFERENCE_TIME current = time_.load();
    while (time > current && !time_.compare_exchange_weak(current, time)) {
    }
    TriggerThread();
  }

 protected:
  REFERENCE_TIME GetPrivateTime() override { return time_.load(); }

 private:
  std::atomic<REFERENCE_TIME> time_{0};
};

}  // namespace graph
