// What a broadcast description puts on the air, as text lines for
// `corvane-cli broadcast list`: each multiplex with the frequency its band
// plan tunes, and each channel with its number, name and the programme on now.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "tools/broadcast/Description.h"

namespace broadcast {

// Lines such as
//   "Antenna US 7 VSB:8-VSB 175250000 Hz synthetic KVSB (TVCT)"
//   "  7.1 KVSB-HD programme 1: Evening News"
std::vector<std::string> ListBroadcast(const BroadcastDescription& description, std::int64_t utc);

}  // namespace broadcast
