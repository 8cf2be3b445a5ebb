// Turning the tables collected on one physical channel into channel records:
// what a channel scan does after each settled tune. It reads decoded tables
// and writes the channel list, so it lives with the tables (which build on
// tuning, never the other way round).
#pragma once

#include <cstdint>
#include <string>

#include "tables/sections/SectionTag.h"
#include "tables/sections/TableContext.h"

namespace tables {

struct CollectionResult {
  int vctSections = 0;     // VCT sections handed to the VCT update
  int createdFromPat = 0;  // records made from PAT/PMT
  bool sdtFound = false;
};

// Collects the channels of the physical channel, channel map and modulation of
// `where` from the program's section store:
//  1. every VCT (PID 0x1FFB, table 0xC8/0xC9) goes to the VCT update, which
//     creates the virtual channels it lists while the graph's scan runs;
//  2. the first SDT (PID 0x0011, table 0x42) names PAT channels;
//  3. every programme of every PAT with a video stream in its PMT becomes a
//     record unless one with its transport stream id and programme number
//     exists on this physical channel and map, or one with its keys (only
//     while the scan runs): with an SDT as a one-part number
//     (the programme number) named by the service, else as
//     physical.programme named "%d.%d".
CollectionResult CollectChannels(TableContext& ctx, const SectionTag& where);

// The service name of `serviceId` in an SDT section, decoded as a DVB string;
// empty when the service or its service descriptor is absent.
std::u16string SdtServiceName(std::span<const std::uint8_t> sdt, std::uint16_t serviceId);

// The "Channels" tree text of a record: "%05d.%d (%c%d) %s", or "%05d (%c%d) %s"
// without a minor number; 'A' for channel map 0, 'C' for every other map.
std::string ChannelTreeText(const tuning::ChannelRecord& record);

}  // namespace tables
