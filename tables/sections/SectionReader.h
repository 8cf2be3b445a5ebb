// Reading a table section in the shapes the standards use, over the
// bounds-checked ByteReader: the section header, the body between the header
// and the CRC, PIDs with their three reserved bits, 12- and 10-bit length
// fields, and descriptor loops handed out as sub-readers limited to their
// declared length. Errors are sticky: check Ok() once after a group of reads.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

#include "common/ByteReader.h"
#include "tables/sections/SectionHeader.h"

namespace tables {

inline constexpr std::size_t kCrcBytes = 4;
inline constexpr std::size_t kLongHeaderBytes = 8;  // table_id .. last_section_number

// The bytes from `offset` up to the CRC; empty (and in error) when the
// section is too short to hold them.
inline common::ByteReader SectionBody(std::span<const std::uint8_t> section, std::size_t offset) {
  if (section.size() < offset + kCrcBytes) {
    common::ByteReader empty;
    empty.SetError();
    return empty;
  }
  return common::ByteReader(section.subspan(offset, section.size() - offset - kCrcBytes));
}

// A 13-bit PID after three reserved bits.
inline std::uint16_t ReadPid(common::ByteReader& r) {
  r.Bits(3);
  return static_cast<std::uint16_t>(r.Bits(13));
}

// A 12-bit length after four reserved bits (section_length, program_info_length,
// ES_info_length, descriptors_length ...).
inline std::uint16_t ReadLength12(common::ByteReader& r) {
  r.Bits(4);
  return static_cast<std::uint16_t>(r.Bits(12));
}

// A 10-bit length after six reserved bits (the VCT's descriptors_length).
inline std::uint16_t ReadLength10(common::ByteReader& r) {
  r.Bits(6);
  return static_cast<std::uint16_t>(r.Bits(10));
}

// A descriptor loop with a 12-bit length in front: a reader limited to it.
inline common::ByteReader ReadLoop12(common::ByteReader& r) {
  return r.Sub(ReadLength12(r));
}

// Calls fn(tag, body) for each descriptor of a loop, body limited to the
// descriptor's length; stops at the first descriptor that runs past the loop.
template <class Fn>
void ForEachDescriptor(std::span<const std::uint8_t> loop, Fn fn) {
  common::ByteReader r(loop);
  while (r.Remaining() >= 2) {
    const std::uint8_t tag = r.U8();
    const std::span<const std::uint8_t> body = r.Bytes(r.U8());
    if (!r.Ok()) return;
    fn(tag, body);
  }
}

}  // namespace tables
