// Fuzz target for the caption extractor. The input is an elementary stream;
// its first bytes seed how it is cut into samples, which samples carry times
// and where resets fall. The stream goes once through Push in those samples
// and once byte by byte through PushByte: both must give the same units, and
// every unit must hold 1 to 128 whole pairs.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <span>
#include <vector>

#include "capsift/CPictureAssembler.h"

namespace {

struct Unit {
  std::vector<std::uint8_t> bytes;
  std::int64_t startTime;
  bool operator==(const Unit&) const = default;
};

class Sink final : public capsift::ICaptionSink {
 public:
  void EmitCaptionUnit(std::span<const std::uint8_t> bytes, std::int64_t startTime) override {
    if (bytes.empty() || bytes.size() > 256 || bytes.size() % 2 != 0) std::abort();
    units.push_back({{bytes.begin(), bytes.end()}, startTime});
  }
  std::vector<Unit> units;
};

// Both extractors live for the whole run, as the module-wide one does: state
// left over from one input (second field, records) meets the next after the
// reset that starts each input.
Sink bulkSink;
Sink byteSink;
capsift::CPictureAssembler bulk(&bulkSink);
capsift::CPictureAssembler byteWise(&byteSink);

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 4) return 0;
  std::uint32_t seed =
      static_cast<std::uint32_t>(data[0]) << 24 | data[1] << 16 | data[2] << 8 | data[3];
  auto next = [&seed] {
    seed = seed * 1664525u + 1013904223u;
    return seed >> 8;
  };
  const std::span<const std::uint8_t> stream(data + 4, size - 4);

  bulkSink.units.clear();
  byteSink.units.clear();
  bulk.Reset();
  byteWise.Reset();

  std::size_t at = 0;
  std::int64_t time = 0;
  while (at < stream.size()) {
    const std::uint32_t r = next();
    std::size_t n = 1 + r % 4096;
    if (n > stream.size() - at) n = stream.size() - at;
    if ((r >> 12) % 16 == 0) {  // a discontinuity
      bulk.Reset();
      byteWise.Reset();
    }
    if ((r >> 16) % 4 != 0) {  // a sample with a start time
      time += 400000;
      bulk.SetInputStartTime(time);
      byteWise.SetInputStartTime(time);
    }
    const auto sample = stream.subspan(at, n);
    bulk.Push(sample);
    for (std::uint8_t b : sample)
      byteWise.PushByte(b);
    at += n;
  }
  if (!(bulkSink.units == byteSink.units)) std::abort();
  return 0;
}
