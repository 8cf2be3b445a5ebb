// The guide records as the tables layer names them (kept on each channel of
// the channel list), and the now-playing record built from them.
#pragma once

#include <cstddef>
#include <cstdint>

#include "tuning/GuideRecords.h"

namespace tables {

using tuning::EventEtmId;
using tuning::EventText;
using tuning::EventTextKey;
using tuning::EventTextList;
using tuning::GuideEvent;
using tuning::GuideEventKey;
using tuning::GuideEventList;

// What is on the air now on a graph's current channel; rebuilt every tick for
// the on-screen display and the programme text source.
struct NowPlayingInfo {
  std::int32_t physical = 0;  // low byte of key 1
  std::int32_t major = 0;     // key 2, 16 bits
  std::int32_t minor = 0;     // bits 8-23 of key 1
  std::int32_t reserved = 0;
  char16_t shortName[16] = {};
  char16_t title[128] = {};
  char16_t timeLine[64] = {};  // "%d:%02d %s - %d:%02d %s  %S"
  char16_t reserved2[64] = {};
  char16_t description[1024] = {};  // at most 1023 characters
  std::uint8_t signalQuality = 0;
};

static_assert(offsetof(NowPlayingInfo, shortName) == 16);
static_assert(offsetof(NowPlayingInfo, title) == 48);
static_assert(offsetof(NowPlayingInfo, timeLine) == 304);
static_assert(offsetof(NowPlayingInfo, description) == 560);
static_assert(offsetof(NowPlayingInfo, signalQuality) == 2608);

}  // namespace tables
