// Decoders for the text that broadcast tables carry.
//
// ATSC tables (EIT titles, ETT texts, the extended channel name) hold text in
// the multiple string structure of ATSC A/65; DVB tables hold strings with a
// leading character-table selector (EN 300 468 Annex A). Every decoder takes
// its input as a span that is the byte limit of the text: nothing past it is
// ever read, whatever the lengths inside claim.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

namespace tables {

// Decodes the first string of a multiple string structure into UTF-16.
// out.size() is the capacity including the terminator; the output is always
// terminated (when the capacity is at least 1). Returns the characters
// written including the terminator; 0 only for an empty output span.
std::size_t DecodeMultipleString16(std::span<char16_t> out, std::span<const std::uint8_t> input);

// The 8-bit twin, used for the extended channel name in the table dump:
// uncompressed segments are copied byte for byte only in mode 0x00.
std::size_t DecodeMultipleString8(std::span<char> out, std::span<const std::uint8_t> input);

// Decodes the bytes of one uncompressed segment by its mode. out.size() is the
// number of characters that may be written; no terminator is written. Returns
// the characters written.
std::size_t DecodeSegment16(std::span<char16_t> out, std::span<const std::uint8_t> segment,
                            std::uint8_t mode);

// Decodes a DVB string (selector byte, then the text) into UTF-16. out.size()
// is the capacity including the terminator; a text longer than the output is
// cut at the capacity. Returns the characters written including the
// terminator; 0 only for an empty output span.
std::size_t DecodeDvbString(std::span<char16_t> out, std::span<const std::uint8_t> input);

}  // namespace tables
