// Reading a channel's streams from its programme map table.
#pragma once

#include <cstdint>
#include <span>

namespace tables {

struct StreamPids {
  std::int32_t videoPid = -1;
  std::int32_t audioPid = -1;
  std::int32_t pcrPid = -1;
  std::uint16_t videoStreamType = 0;
  std::uint16_t audioStreamType = 0;
};

// Video: the first stream of type 0x02, 0x1B or 0x80; audio: the first of type
// 0x81 or 0x11; PCR: PCR_PID. A stream already in `pids` is not replaced; the
// PCR PID is taken from every PMT. False when the section is not a readable PMT.
bool ReadPmtStreams(std::span<const std::uint8_t> section, StreamPids& pids);

struct PmtTable;
// The same choice from a decoded PMT.
void ChooseStreams(const PmtTable& pmt, StreamPids& pids);

}  // namespace tables
