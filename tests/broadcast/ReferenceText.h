// Independent readers of ATSC text for the simulator's tests: the A/65
// Huffman decoder and the multiple string structure.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace broadcast::test {

// Decodes Huffman bits with a decode table; stops on the end symbol or when the bits run out.
std::string ReferenceHuffmanDecode(std::span<const std::uint8_t> table,
                                   std::span<const std::uint8_t> bytes);

struct DecodedString {
  std::string language;
  std::string text;                       // ISO 8859-1
  std::vector<std::uint8_t> compression;  // compression_type of each segment
};

// Every string of a multiple string structure; empty when the bytes are malformed.
std::vector<DecodedString> DecodeMultipleString(std::span<const std::uint8_t> bytes, bool* ok);

}  // namespace broadcast::test
