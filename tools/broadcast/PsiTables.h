// MPEG-2 programme-specific information: the programme association table and
// the programme map tables of a multiplex.
#pragma once

#include "tools/broadcast/Description.h"
#include "tools/broadcast/Section.h"

namespace broadcast {

inline constexpr std::uint8_t kStreamTypeMpeg2Video = 0x02;
inline constexpr std::uint8_t kStreamTypeAc3 = 0x81;  // ATSC A/52 audio
inline constexpr std::uint16_t kNitPid = 0x0010;

// PAT of the multiplex's digital channels; DVB multiplexes add programme 0 (the NIT).
Bytes BuildPat(const MultiplexDescription& multiplex, std::uint8_t version);

// PMT of one channel: MPEG-2 video with a caption service descriptor, AC-3
// audio with its audio descriptor and language.
Bytes BuildPmt(const MultiplexDescription& multiplex, const ChannelDescription& channel,
               std::uint8_t version);

}  // namespace broadcast
