// The two ATSC Huffman decode tables compiled into the program (A/65 Annex C,
// layout in tables/text/Huffman.h). Their own small library, so the broadcast
// simulator's encoder reads the very bytes the decoder uses.
#pragma once

#include <cstdint>
#include <span>

namespace tables {

std::span<const std::uint8_t> HuffmanTitleTable();        // compression_type 0x01
std::span<const std::uint8_t> HuffmanDescriptionTable();  // compression_type 0x02

}  // namespace tables
