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
  if (capture->LoopLength27() == 0 || capture->LoopLength27() % 300 != 0) std::abort();
  vtuner::CaptureLoop loop(capture);
  NoWaitClock clock;
  vtuner::PcrPacer pacer(clock);
  std::vector<std::uint8_t> chunk(188 * 5);
  const std::size_t total = capture->PacketCount() * 3;
  for (std::size_t done = 0; done < total;) {
    const auto n = loop.Read(chunk);
    if (n == 0 || n % 188 != 0) std::abort();
    pacer.Pace(std::span(chunk).first(n));
    done += n / 188;
  }
  return 0;
}
