#include "tables/sections/Pmt.h"

#include "common/TsConstants.h"
#include "tables/mpeg/PmtTable.h"

namespace tables {
namespace {

bool IsVideo(std::uint8_t type) {
  return type == common::kStreamTypeMpeg2Video || type == common::kStreamTypeH264 ||
         type == common::kStreamTypeDigiCipherVideo;
}
bool IsAudio(std::uint8_t type) {
  return type == common::kStreamTypeAc3 || type == common::kStreamTypeAacLatm;
}

}  // namespace

bool ReadPmtStreams(std::span<const std::uint8_t> section, StreamPids& pids) {
  PmtTable pmt;
  if (!DecodePmt(section, pmt) || pmt.header.tableId != common::kPmtTableId) return false;
  ChooseStreams(pmt, pids);
  return true;
}

void ChooseStreams(const PmtTable& pmt, StreamPids& pids) {
  pids.pcrPid = pmt.pcrPid;
  for (const PmtStream& s : pmt.streams) {
    if (pids.videoPid < 0 && IsVideo(s.streamType)) {
      pids.videoPid = s.elementaryPid;
      pids.videoStreamType = s.streamType;
    } else if (pids.audioPid < 0 && IsAudio(s.streamType)) {
      pids.audioPid = s.elementaryPid;
      pids.audioStreamType = s.streamType;
    }
  }
}

}  // namespace tables
