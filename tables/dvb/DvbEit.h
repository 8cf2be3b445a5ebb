// DVB event information tables (table_id 0x4E and 0x50-0x5F): events of the
// channels whose programme number is the section's service_id.
#pragma once

#include <cstdint>
#include <span>

#include "tables/guide/GuideRecords.h"
#include "tables/sections/SectionTag.h"
#include "tuning/ChannelList.h"

namespace tables {

bool IsDvbEitTable(std::uint8_t tableId);

// The checks of the section and its event loop; a failure skips the events only.
bool CheckDvbEit(std::span<const std::uint8_t> section);

// Files the section's events on the matching channels (no check of its own).
void AddDvbEitEvents(std::span<const std::uint8_t> section, const SectionTag& tag,
                     tuning::ChannelList& channels);

}  // namespace tables
