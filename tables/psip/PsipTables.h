// ATSC PSIP tables: what the master guide, virtual channel, event, extended
// text and system time tables change in the program's state. Each handler
// returns whether the section is to be stored (false only for a failed check).
#pragma once

#include <cstdint>
#include <span>

#include "tables/sections/SectionTag.h"
#include "tables/sections/TableContext.h"

namespace tables {

struct VctTable;

bool OnMgt(TableContext& ctx, std::span<const std::uint8_t> section, const SectionTag& tag);
bool OnVct(TableContext& ctx, std::span<const std::uint8_t> section, const SectionTag& tag);
bool OnEit(TableContext& ctx, std::span<const std::uint8_t> section, const SectionTag& tag);
bool OnEtt(TableContext& ctx, std::span<const std::uint8_t> section, const SectionTag& tag);
bool OnStt(TableContext& ctx, std::span<const std::uint8_t> section, const SectionTag& tag);

// The checks of each table (the section's byte count included).
bool CheckMgt(std::span<const std::uint8_t> section);
bool CheckVct(std::span<const std::uint8_t> section);
bool CheckEit(std::span<const std::uint8_t> section);

// Channel keys of a VCT entry. A 10-bit major number of 1008-1023 is the ATSC
// one-part form: key 2 = (major & 0x0F) << 10 | minor and key 1 = physical.
struct ChannelKeys {
  std::uint32_t key1 = 0;
  std::uint32_t key2 = 0;
};
ChannelKeys VctChannelKeys(std::uint8_t physical, std::uint16_t major, std::uint16_t minor);

// Creates (only while a scan runs on the graph) or refreshes the channel
// records of one checked TVCT or CVCT section received with `tag`; the
// section form decodes it first.
void UpdateFromVct(TableContext& ctx, std::span<const std::uint8_t> section, const SectionTag& tag);
void UpdateFromVct(TableContext& ctx, const VctTable& vct, const SectionTag& tag);

// Sets the GPS-UTC offset and the system time of every channel on `physical`.
void UpdateFromStt(tuning::ChannelList& channels, std::uint8_t physical, std::uint32_t systemTime,
                   std::uint8_t utcOffset);

}  // namespace tables
