// A synthetic constant-rate multiplex like a terrestrial broadcast: MPEG-2
// video PES (unbounded, PCR on the video PID), AC-3 audio PES, PAT/PMT and
// PSIP sections, and null packets filling up to the multiplex rate.
#pragma once

#include <cstdint>

#include "tests/demux/TsWriter.h"

namespace demux::test {

struct MuxOptions {
  double seconds = 1.0;
  double muxBitsPerSecond = 38'785'316;  // ATSC 8-VSB payload rate
  double videoBitsPerSecond = 16'000'000;
  std::uint16_t videoPid = 0x31;
  std::uint16_t audioPid = 0x34;
  std::uint16_t pmtPid = 0x30;
  std::uint16_t psipPid = 0x1FFB;
  std::uint64_t firstPcr = 0;  // 27 MHz
};

struct MuxCounts {
  std::size_t videoUnits = 0;
  std::size_t audioUnits = 0;
  std::size_t sections = 0;  // on PID 0, the PMT PID and the PSIP PID
};

Bytes SyntheticMux(const MuxOptions& options, MuxCounts* counts = nullptr);

}  // namespace demux::test
