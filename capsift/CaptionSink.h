// Where the extractor hands its caption units.
#pragma once

#include <cstdint>
#include <span>

namespace capsift {

// One caption unit: the line 21 byte pairs of one coded frame, in stream
// order (first byte, second byte; bit 7 is the odd-parity bit as carried),
// 1 to 128 pairs, and the frame's start time in 100-nanosecond units.
class ICaptionSink {
 public:
  // Called synchronously from inside a push; `bytes` is valid only for the
  // duration of the call and never empty.
  virtual void EmitCaptionUnit(std::span<const std::uint8_t> bytes, std::int64_t startTime) = 0;

 protected:
  ~ICaptionSink() = default;
};

}  // namespace capsift
