// Lookups on the guide lists of a channel and the now-playing record.
#pragma once

#include <cstdint>
#include <filesystem>
#include <system_error>

#include "tables/guide/GuideRecords.h"
#include "tuning/ChannelList.h"

namespace tables {

// The event on the air at `nowUtc` (seconds since 1970); of several, the last
// in start order. Null when none. Caller holds the channel-list lock.
const GuideEvent* FindCurrentEvent(tuning::ChannelNode& channel, std::int64_t nowUtc);

// The extended text of an event, or null. Caller holds the channel-list lock.
const EventText* FindEventText(tuning::ChannelNode& channel, const GuideEvent& event);

// "%d:%02d %s - %d:%02d %s  %S": start and end on the 12-hour clock in local
// time, each rounded to the nearest minute, then the rating text.
std::u16string EventTimeLine(const GuideEvent& event);

// Rebuilds `info` for the channel with keys key1/key2 at `nowUtc`.
void BuildNowPlaying(tuning::ChannelList& channels, NowPlayingInfo& info, std::uint32_t key1,
                     std::uint32_t key2, std::int32_t signalQuality, std::int64_t nowUtc);

// Writes "Guide.txt" (UTF-16LE with byte-order mark, CR LF line ends) into
// `dataFolder` through the atomic file writer: every channel with its events.
// The writer's error (empty on success); a failed write leaves no file behind.
std::error_code DumpGuide(tuning::ChannelList& channels, const std::filesystem::path& dataFolder);

// The text DumpGuide writes, without the byte-order mark.
std::u16string GuideText(tuning::ChannelList& channels);

}  // namespace tables
