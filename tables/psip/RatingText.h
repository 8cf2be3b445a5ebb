// The rating text of an event: its content advisory descriptor (tag 0x87)
// written as "TV-PG,L"-style text.
#pragma once

#include <cstdint>
#include <span>

namespace tables {

// Writes the text of the content advisory descriptors found in a descriptor
// loop into `out` (capacity including the terminator; at most 31 characters
// for the guide's 32-byte field). Empty when there is none.
void ContentAdvisoryText(std::span<const std::uint8_t> descriptors, std::span<char> out);

}  // namespace tables
