// Which streams a tune maps on the demultiplexer: the channel's own PIDs from
// the channel list, or for a channel the list does not have, the ATSC default
// assignment of its minor number (video and PCR at 0x31 + 16 (minor - 1),
// audio at 0x34 + 16 (minor - 1)).
//
// A locator without a channel number (major 0 or none, minor none), as the
// scan tunes, maps nothing: it selects the physical channel only. Minor
// numbers whose default PIDs would lie past 0x1FFF map nothing either.
#pragma once

#include <optional>

#include "tuning/ChannelList.h"
#include "tuning/ChannelLocator.h"

namespace graph {

std::optional<tuning::PlaybackInfo> StreamMappingFor(tuning::ChannelList& channels,
                                                     const tuning::ChannelLocator& locator);

}  // namespace graph
