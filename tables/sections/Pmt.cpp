#include "tables/sections/Pmt.h"

#include "common/ByteReader.h"

namespace tables {
namespace {

bool IsVideo(std::uint8_t type) {
  return type == 0x02 || type == 0x1B || type == 0x80;
}
bool IsAudio(std::uint8_t type) {
  return type == 0x81 || type == 0x11;
}

}  // namespace

bool ReadPmtStreams(std::span<const std::uint8_t> section, StreamPids& pids) {
  constexpr std::size_t kCrcBytes = 4;
  if (section.size() < 12 + kCrcBytes || section[0] != 0x02) return false;
  common::ByteReader r(section.first(section.size() - kCrcBytes));
  r.Skip(8);
  r.Bits(3);
  const auto pcrPid = static_cast<std::int32_t>(r.Bits(13));
  r.Bits(4);
  const auto programInfoLength = static_cast<std::size_t>(r.Bits(12));
  r.Skip(programInfoLength);
  if (!r.Ok()) return false;
  pids.pcrPid = pcrPid;
  while (r.Remaining() >= 5) {
    const std::uint8_t type = r.U8();
    r.Bits(3);
    const auto pid = static_cast<std::int32_t>(r.Bits(13));
    r.Bits(4);
    const auto esInfoLength = static_cast<std::size_t>(r.Bits(12));
    r.Skip(esInfoLength);
    if (!r.Ok()) break;
    if (pids.videoPid < 0 && IsVideo(type)) {
      pids.videoPid = pid;
      pids.videoStreamType = type;
    } else if (pids.audioPid < 0 && IsAudio(type)) {
      pids.audioPid = pid;
      pids.audioStreamType = type;
    }
  }
  return true;
}

}  // namespace tables
