// Extends 33-bit programme-stream clocks (SCR and PTS, wrapping every 26.5
// hours) to 64-bit times, relative to a nearby earlier value.
#pragma once

#include <cstdint>

#include "filters/sink/PsFormat.h"

namespace filters {

// The time congruent to `wrapped` modulo the 27 MHz wrap period that lies
// nearest to `reference`; `wrapped` itself when there is no reference (< 0).
constexpr std::int64_t ExtendTime27(std::int64_t wrapped, std::int64_t reference) {
  if (reference < 0) return wrapped;
  const std::int64_t half = kWrap27 / 2;
  const std::int64_t base = reference - (reference % kWrap27);  // reference's period start
  std::int64_t value = base + wrapped;
  if (value - reference > half) value -= kWrap27;
  if (reference - value > half) value += kWrap27;
  return value;
}

}  // namespace filters
