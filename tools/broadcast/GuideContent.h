// The made-up programme guide of a synthetic channel: every three-hour slot
// (aligned to 00:00, 03:00, ... UTC, the time span of one ATSC EIT) is filled
// with events chosen from the channel's theme, the same for the same slot
// every time, so tables made at different moments agree.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "tools/broadcast/Description.h"
#include "tools/broadcast/MultipleString.h"

namespace broadcast {

inline constexpr std::int64_t kSlotSeconds = 3 * 3600;

struct RatingDimension {
  std::uint8_t dimension = 0;
  std::uint8_t value = 0;
};

struct GuideEvent {
  std::int64_t startUtc = 0;
  std::uint32_t durationSeconds = 0;
  std::uint16_t eventId = 0;          // 14 bits, unique per channel over several days
  std::vector<LanguageString> title;  // empty: an untitled event
  std::string titleText;              // the English title, ISO 8859-1 ("" when untitled)
  std::string description;            // ISO 8859-1
  bool descriptionHuffman = false;
  std::vector<RatingDimension> rating;  // US rating region 1; empty: no advisory
  std::string ratingText;               // "TV-PG-L"
};

// Start of the slot holding `utc`.
std::int64_t SlotStart(std::int64_t utc);

// The events starting in the slot that begins at `slotStartUtc`, in time order.
std::vector<GuideEvent> EventsInSlot(const ChannelDescription& channel, std::int64_t slotStartUtc);

// The event on the air at `utc`.
GuideEvent EventAt(const ChannelDescription& channel, std::int64_t utc);

}  // namespace broadcast
