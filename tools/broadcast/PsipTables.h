// ATSC PSIP (A/65) on the base PID 0x1FFB and the EIT/ETT PIDs the MGT names:
// MGT, TVCT/CVCT, EIT-0..3, ETT-0..3 and STT, made for a moment in time.
#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "common/TsConstants.h"
#include "tools/broadcast/Description.h"
#include "tools/broadcast/GuideContent.h"
#include "tools/broadcast/Section.h"

namespace broadcast {

inline constexpr std::uint16_t kPsipBasePid = common::kPsipBasePid;
inline constexpr std::uint16_t kEitPidBase = 0x1D00;  // EIT-k on 0x1D00 + k
inline constexpr std::uint16_t kEttPidBase = 0x1E00;  // ETT-k on 0x1E00 + k
inline constexpr int kEitCount = 4;
inline constexpr std::uint8_t kGpsUtcOffset = 18;  // leap seconds between GPS and UTC
inline constexpr std::int64_t kGpsEpochUnix = common::kGpsToUnixSeconds;

// GPS seconds of a UTC instant (leap seconds counted).
std::uint32_t GpsFromUtc(std::int64_t utc);

// ETM_id of an event's text: source_id, event_id, 0b10.
std::uint32_t EventEtmId(std::uint16_t sourceId, std::uint16_t eventId);

// One or more sections (entries packed up to section_length 1021).
std::vector<Bytes> BuildVct(const MultiplexDescription& multiplex, std::uint8_t version);
Bytes BuildEit(const ChannelDescription& channel, const std::vector<GuideEvent>& events,
               std::uint8_t version);
Bytes BuildEtt(const ChannelDescription& channel, const GuideEvent& event, std::uint8_t version);
Bytes BuildStt(std::int64_t utc);

struct MgtEntry {
  std::uint16_t tableType = 0;
  std::uint16_t pid = 0;
  std::uint8_t version = 0;
  std::uint32_t numberBytes = 0;
};
Bytes BuildMgt(const std::vector<MgtEntry>& entries, std::uint8_t version);

// The PSIP of one multiplex for one three-hour slot: rebuilt only when the
// slot changes (the guide moves on), when EIT, ETT and MGT versions change.
struct PsipSnapshot {
  std::int64_t slotStart = 0;
  Bytes mgt;
  std::vector<Bytes> vct;
  std::array<std::vector<Bytes>, kEitCount> eit;  // one section per channel with a guide
  std::array<std::vector<Bytes>, kEitCount> ett;  // one section per event
};

PsipSnapshot BuildPsipSnapshot(const MultiplexDescription& multiplex, std::int64_t utc);

}  // namespace broadcast
