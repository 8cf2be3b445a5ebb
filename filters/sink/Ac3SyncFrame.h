// Finding AC-3 syncframes in an elementary stream: sync word, sample-rate and
// frame-size codes, and the CRC-16 over the frame's first five-eighths.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

namespace filters {

// Frame length in bytes for frmsizecod (0-37) and fscod (0 48 kHz, 1 44.1 kHz,
// 2 32 kHz); 0 for codes outside the table.
std::size_t Ac3FrameBytes(unsigned frmsizecod, unsigned fscod);

// CRC-16 with polynomial 0x8005, most significant bit first, initial value 0.
std::uint16_t Ac3Crc16(std::span<const std::uint8_t> bytes, std::uint16_t crc = 0);

// Whether a valid syncframe starts at `offset` of `stream`: header codes and
// the CRC over the first five-eighths, checked on the stream's bytes (which
// may run past the pack being built). A frame whose CRC range runs past the
// bytes known so far is not taken: its sync word may be chance data.
bool IsAc3SyncFrame(std::span<const std::uint8_t> stream, std::size_t offset);

// Offset of the first syncframe starting in [from, to) of `stream`, or `to`.
std::size_t FindAc3SyncFrame(std::span<const std::uint8_t> stream, std::size_t from,
                             std::size_t to);

}  // namespace filters
