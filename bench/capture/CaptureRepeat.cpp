// capture_repeat IN OUT PASSES: writes PASSES passes of the capture IN to OUT
// as the virtual tuner delivers them: the first as captured, the later ones
// with clocks and continuity counters moved on, so OUT is one continuous
// stream PASSES times as long.
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "platform/bda/virtual/CaptureLoop.h"

int main(int argc, char** argv) {
  if (argc != 4) {
    std::fprintf(stderr, "usage: capture_repeat IN OUT PASSES\n");
    return 2;
  }
  const long passes = std::strtol(argv[3], nullptr, 10);
  std::string error;
  auto capture = vtuner::Capture::Load(argv[1], &error);
  if (!capture || !capture->HasPackets() || passes < 1) {
    std::fprintf(stderr, "capture_repeat: %s\n",
                 error.empty() ? "no packets to repeat" : error.c_str());
    return 1;
  }
  std::FILE* out = std::fopen(argv[2], "wb");
  if (out == nullptr) {
    std::fprintf(stderr, "capture_repeat: cannot write %s\n", argv[2]);
    return 1;
  }
  vtuner::CaptureLoop loop(capture);
  std::vector<std::uint8_t> chunk(188 * 5000);
  using Halt = vtuner::CaptureLoop::Halt;
  Halt halt = Halt::kNone;
  auto passEnd = vtuner::CaptureLoop::PassEnd::kStop;
  while (loop.Pass() < static_cast<std::uint64_t>(passes) && halt != Halt::kEnded) {
    const std::size_t n = loop.ReadUntil(chunk, UINT64_MAX, passEnd, &halt);
    if (n > 0 && std::fwrite(chunk.data(), 1, n, out) != n) halt = Halt::kEnded;
    // Past every pass end but the last.
    passEnd = halt == Halt::kPassEnd && loop.Pass() + 1 < static_cast<std::uint64_t>(passes)
                  ? vtuner::CaptureLoop::PassEnd::kCrossThisOne
                  : vtuner::CaptureLoop::PassEnd::kStop;
    if (halt == Halt::kPassEnd && passEnd == vtuner::CaptureLoop::PassEnd::kStop) break;
  }
  const bool ok = std::fclose(out) == 0 && loop.Failure().empty();
  if (!ok) std::fprintf(stderr, "capture_repeat: %s\n", loop.Failure().c_str());
  return ok ? 0 : 1;
}
