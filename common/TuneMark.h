// The tune that received data belongs to travels with it through a tuner
// graph, in the upper 16 bits of each sample's type-specific flags
// (IMediaSample2). The tuner marks every transport-stream sample with its
// count of tunes when the read began; the demultiplexer copies the mark of the
// input it is reading onto everything it delivers; the section buffer keeps a
// section only when its mark is that of the tune the network provider reports.
// A sample read before a tune but delivered after it so keeps the old tune.
//
// The low 16 bits stay free (the demultiplexer puts the PID in the low 13).
// Counts are compared modulo 65536: no sample lives through that many tunes.
#pragma once

#include <cstdint>

namespace common {

inline constexpr std::uint32_t kTuneMarkShift = 16;
inline constexpr std::uint32_t kTuneMarkMask = 0xFFFF;

constexpr std::uint32_t TuneMarkOf(std::uint32_t typeSpecificFlags) {
  return typeSpecificFlags >> kTuneMarkShift;
}

constexpr std::uint32_t WithTuneMark(std::uint32_t typeSpecificFlags, std::uint32_t tuneCount) {
  return (typeSpecificFlags & ((1u << kTuneMarkShift) - 1)) |
         ((tuneCount & kTuneMarkMask) << kTuneMarkShift);
}

constexpr bool SameTune(std::uint32_t markA, std::uint32_t tuneCountB) {
  return (markA & kTuneMarkMask) == (tuneCountB & kTuneMarkMask);
}

}  // namespace common
