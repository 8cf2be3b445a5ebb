// The guide records hung on each channel of the channel list: its events
// (from EITs) and the extended texts of those events (from ETTs). Times are
// GPS seconds. The table handlers fill them.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "common/KeyedList.h"

namespace tuning {

struct GuideEvent {
  std::uint32_t start = 0;     // GPS seconds, rounded to the nearest minute; the list key
  std::uint32_t duration = 0;  // seconds
  std::uint16_t sourceId = 0;
  std::uint16_t eventId = 0;
  std::uint8_t version = 0;
  std::uint16_t sourcePid = 0;
  std::int32_t gridCell = -1;  // slot of the guide grid's cell window, -1 when none
  char16_t title[128] = {};
  char rating[32] = {};
};

struct EventText {
  std::uint8_t version = 0;
  std::u16string text;  // up to 2047 characters
};

// ETM_id of an event's description: source << 16 | event << 2 | 2.
constexpr std::uint32_t EventEtmId(std::uint16_t sourceId, std::uint16_t eventId) {
  return static_cast<std::uint32_t>(sourceId) << 16 |
         static_cast<std::uint32_t>(eventId & 0x3FFF) << 2 | 0x2u;
}

using GuideEventList = common::KeyedList<GuideEvent>;  // key low = start, high = 0
using EventTextList = common::KeyedList<EventText>;    // key low = ETM_id, high = 0

inline common::ListKey GuideEventKey(std::uint32_t start) {
  return {start, 0};
}
inline common::ListKey EventTextKey(std::uint32_t etmId) {
  return {etmId, 0};
}

}  // namespace tuning
