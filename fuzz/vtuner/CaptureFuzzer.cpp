// Any bytes as a capture: analysis, three passes of playback and PCR pacing of
// what comes out must stay inside their buffers and keep whole packets.
#include <cstdlib>
#include <vector>

#include "platform/bda/virtual/CaptureLoop.h"
#include "platform/bda/virtual/PcrPacer.h"

namespace {

class NoWaitClock : public vtuner::Clock {
 public:
  std::chrono::nanoseconds Now() override { return now_; }
  void SleepUntil(std::chrono::nanoseconds time) override {
    if (time > now_) now_ = time;
  }

 private:
  std::chrono::nanoseconds now_{0};
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  auto capture = vtuner::Capture::FromBytes(std::span<const std::uint8_t>(data, size));
  vtuner::CaptureLoop loop(capture);
  NoWaitClock clock;
  vtuner::PcrPacer pacer(clock);
  std::vector<std::uint8_t> chunk(188 * 5);
  while (loop.Pass() < 3) {
    const auto n = loop.Read(chunk);
    if (n == 0 && capture->HasPackets()) std::abort();
    if (n == 0) break;
    if (n % 188 != 0) std::abort();
    pacer.Pace(std::span(chunk).first(n));
    if (loop.Pass() > 0 &&
        (loop.Timing().LoopLength27() == 0 || loop.Timing().LoopLength27() % 300 != 0))
      std::abort();
  }
  return 0;
}
