// Encoder of the A/65 Annex C Huffman compression (compression_type 0x01 for
// programme titles, 0x02 for programme descriptions). The code of every
// symbol in every context is read off the standard's decode trees, so the
// encoder agrees with any decoder that uses the same tables.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string_view>

#include "tools/broadcast/BitWriter.h"

namespace broadcast {

enum class HuffmanTable { kTitle, kDescription };

// The decode table as embedded in the build (title 1,940 bytes, description 1,782).
std::span<const std::uint8_t> HuffmanDecodeTable(HuffmanTable table);

// Encodes ISO 8859-1 text: symbols the context's tree holds get their code,
// others are escaped as 8-bit literals; the end symbol follows when the last
// context has one, otherwise the padding bits are chosen so that they cannot
// decode to a character. Nothing when the text holds a NUL byte or a context
// lacks the escape.
std::optional<Bytes> HuffmanEncode(HuffmanTable table, std::string_view latin1);

}  // namespace broadcast
