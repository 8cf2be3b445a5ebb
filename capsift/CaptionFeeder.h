// The caption filter's receive, without the framework around it: sample by
// sample, a reset at a sample marked as a discontinuity, the sample's start
// time (when it has one) set before its bytes are pushed, and nothing drained
// at the end of the input.
#pragma once

#include <cstdint>
#include <optional>
#include <span>

#include "capsift/CPictureAssembler.h"
#include "capsift/CaptionSink.h"

namespace capsift {

class CaptionFeeder {
 public:
  explicit CaptionFeeder(ICaptionSink* sink) : assembler_(sink) {}

  void Sample(std::span<const std::uint8_t> bytes, std::optional<std::int64_t> startTime,
              bool discontinuity) {
    if (discontinuity) assembler_.Reset();
    if (startTime) assembler_.SetInputStartTime(*startTime);
    assembler_.Push(bytes);
  }

 private:
  CPictureAssembler assembler_;
};

}  // namespace capsift
