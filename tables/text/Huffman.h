// The Huffman decoder of the ATSC multiple string structure (A/65 Annex C).
//
// A decode table starts with 128 big-endian 16-bit offsets, one per context
// (the previous symbol's low 7 bits), each pointing from the table's start to
// that context's tree. A tree is an array of byte pairs: entry 2n for a 0 bit,
// 2n + 1 for a 1 bit; below 0x80 the entry is the next node, otherwise a leaf
// whose low 7 bits are the symbol. Symbol 0x00 ends the string, 0x1B escapes
// the next 8 bits as a literal character.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

#include "tables/text/HuffmanTables.h"

namespace tables {

// Decoder state; reset it (HuffmanStart) at the start of every segment.
struct HuffmanState {
  std::span<const std::uint8_t> table;
  std::uint8_t priorSymbol = 0;
  bool lookupPending = true;
  unsigned escapeBits = 0;  // bits of a literal still to collect; 0 while walking
  std::size_t treeOffset = 0;
  std::uint8_t node = 0;
  std::size_t bitCount = 0;
};

// A fresh state for one segment decoded with `table`.
HuffmanState HuffmanStart(std::span<const std::uint8_t> table);

// Decodes `input` into at most out.size() characters (no terminator) and
// returns the characters written. Stops at the end symbol, when the input is
// exhausted or when the output is full. The 16-bit version writes each
// character as a code point 0-255 (ISO 8859-1); the 8-bit version writes bytes.
std::size_t HuffmanDecode(HuffmanState& state, std::span<char16_t> out,
                          std::span<const std::uint8_t> input);
std::size_t HuffmanDecode(HuffmanState& state, std::span<char> out,
                          std::span<const std::uint8_t> input);

}  // namespace tables
