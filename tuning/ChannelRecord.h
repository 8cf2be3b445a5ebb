// ChannelRecord: one virtual channel, 112 bytes, stored whole in the settings
// file. Offsets are part of the file format.
#pragma once

#include <cstddef>
#include <cstdint>

#include "tuning/ChannelLocator.h"

namespace tuning {

struct ChannelRecord {
  char16_t name[16] = {};  // short name, at most 15 characters and a zero
  ChannelLocator locator;
  std::uint8_t utcOffset = 0;  // GPS-UTC leap seconds of the last STT
  std::uint8_t enabled = 0;
  std::uint8_t reserved50[2] = {};
  std::uint32_t carrierFrequency = 0;
  std::uint8_t hidden = 0;
  std::uint8_t hideGuide = 0;
  std::uint8_t serviceType = 0;
  std::uint8_t reserved59[5] = {};
  std::uint32_t accessControlled = 0;
  std::uint32_t vctVersion = 0;
  std::uint32_t modulationMode = 0;
  std::uint16_t sourceId = 0;
  std::uint16_t transportStreamId = 0;
  std::uint16_t programNumber = 0;
  std::uint16_t reserved82 = 0;
  std::uint32_t guideTableCount = 0;
  std::int32_t audioPid = -1;
  std::int32_t videoPid = -1;
  std::uint16_t videoStreamType = 0;
  std::uint16_t audioStreamType = 0;
  std::int32_t pcrPid = -1;
  std::uint8_t fromCableVct = 0;
  std::uint8_t reserved105[3] = {};
  std::uint32_t systemTime = 0;  // GPS seconds of the last STT
};

static_assert(sizeof(ChannelRecord) == 112);
static_assert(offsetof(ChannelRecord, locator) == 32);
static_assert(offsetof(ChannelRecord, utcOffset) == 48);
static_assert(offsetof(ChannelRecord, enabled) == 49);
static_assert(offsetof(ChannelRecord, carrierFrequency) == 52);
static_assert(offsetof(ChannelRecord, hidden) == 56);
static_assert(offsetof(ChannelRecord, serviceType) == 58);
static_assert(offsetof(ChannelRecord, accessControlled) == 64);
static_assert(offsetof(ChannelRecord, vctVersion) == 68);
static_assert(offsetof(ChannelRecord, modulationMode) == 72);
static_assert(offsetof(ChannelRecord, sourceId) == 76);
static_assert(offsetof(ChannelRecord, transportStreamId) == 78);
static_assert(offsetof(ChannelRecord, programNumber) == 80);
static_assert(offsetof(ChannelRecord, guideTableCount) == 84);
static_assert(offsetof(ChannelRecord, audioPid) == 88);
static_assert(offsetof(ChannelRecord, videoPid) == 92);
static_assert(offsetof(ChannelRecord, videoStreamType) == 96);
static_assert(offsetof(ChannelRecord, audioStreamType) == 98);
static_assert(offsetof(ChannelRecord, pcrPid) == 100);
static_assert(offsetof(ChannelRecord, fromCableVct) == 104);
static_assert(offsetof(ChannelRecord, systemTime) == 108);

}  // namespace tuning
