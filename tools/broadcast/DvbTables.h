// DVB SI (EN 300 468) for COFDM multiplexes: NIT, SDT, EIT present/following
// and schedule, TDT; dates as Modified Julian Date and times as BCD.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "tools/broadcast/Description.h"
#include "tools/broadcast/GuideContent.h"
#include "tools/broadcast/Section.h"

namespace broadcast {

inline constexpr std::uint16_t kSdtPid = 0x0011;
inline constexpr std::uint16_t kEitPid = 0x0012;
inline constexpr std::uint16_t kTdtPid = 0x0014;

// Modified Julian Date of the UTC day holding `utc` (1970-01-01 is 40587).
std::uint16_t ModifiedJulianDate(std::int64_t utc);
// hh:mm:ss as six BCD digits (24 bits) from seconds (of a day, or a duration below 100 h).
std::uint32_t BcdTime(std::uint32_t seconds);
// The 40-bit UTC_time field: MJD then BCD time of day.
std::uint64_t DvbUtcTime(std::int64_t utc);

// A DVB string from ISO 8859-1 text: no selector when the text is ASCII,
// else the 0x10 0x00 0x01 selector of ISO 8859-1.
std::string DvbText(const std::string& latin1);

Bytes BuildNit(const MultiplexDescription& multiplex, std::uint8_t version);
Bytes BuildSdt(const MultiplexDescription& multiplex, std::uint8_t version);
// Present/following (table 0x4E): section 0 the event on the air, section 1 the next.
std::vector<Bytes> BuildEitPresentFollowing(const MultiplexDescription& multiplex,
                                            const ChannelDescription& channel, std::int64_t utc);
// Schedule (table 0x50): segments of three hours from today's midnight, the
// ones before now empty, events up to 24 hours ahead.
std::vector<Bytes> BuildEitSchedule(const MultiplexDescription& multiplex,
                                    const ChannelDescription& channel, std::int64_t utc);
Bytes BuildTdt(std::int64_t utc);

}  // namespace broadcast
