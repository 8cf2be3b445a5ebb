// Records the caption units an extractor emits.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "capsift/CaptionSink.h"

namespace capsift::test {

struct Unit {
  std::vector<std::uint8_t> bytes;
  std::int64_t startTime;
  bool operator==(const Unit&) const = default;
};

class CaptureSink final : public ICaptionSink {
 public:
  void EmitCaptionUnit(std::span<const std::uint8_t> bytes, std::int64_t startTime) override {
    units.push_back({{bytes.begin(), bytes.end()}, startTime});
  }
  std::vector<Unit> units;
};

}  // namespace capsift::test
