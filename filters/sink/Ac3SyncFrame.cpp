#include "filters/sink/Ac3SyncFrame.h"

#include <array>

namespace filters {
namespace {

// Nominal bit rates (kbit/s) of frmsizecod / 2.
constexpr std::array<unsigned, 19> kBitRates = {32,  40,  48,  56,  64,  80,  96,  112, 128, 160,
                                                192, 224, 256, 320, 384, 448, 512, 576, 640};

constexpr std::array<std::uint16_t, 256> MakeCrcTable() {
  std::array<std::uint16_t, 256> table{};
  for (unsigned i = 0; i < 256; ++i) {
    unsigned crc = i << 8;
    for (int bit = 0; bit < 8; ++bit)
      crc = (crc & 0x8000) ? (crc << 1) ^ 0x8005 : crc << 1;
    table[i] = static_cast<std::uint16_t>(crc);
  }
  return table;
}
constexpr auto kCrcTable = MakeCrcTable();

}  // namespace

std::size_t Ac3FrameBytes(unsigned frmsizecod, unsigned fscod) {
  if (frmsizecod > 37) return 0;
  const unsigned kbps = kBitRates[frmsizecod / 2];
  unsigned words = 0;
  switch (fscod) {
    case 0:
      words = kbps * 2;
      break;
    case 1:
      words = kbps * 960 / 441 + (frmsizecod & 1);
      break;
    case 2:
      words = kbps * 3;
      break;
    default:
      return 0;
  }
  return std::size_t{words} * 2;
}

std::uint16_t Ac3Crc16(std::span<const std::uint8_t> bytes, std::uint16_t crc) {
  for (const std::uint8_t b : bytes) {
    crc = static_cast<std::uint16_t>((crc << 8) ^ kCrcTable[((crc >> 8) ^ b) & 0xFF]);
  }
  return crc;
}

bool IsAc3SyncFrame(std::span<const std::uint8_t> stream, std::size_t offset) {
  if (offset >= stream.size() || stream.size() - offset < 5) return false;
  const auto frame = stream.subspan(offset);
  if (frame[0] != 0x0B || frame[1] != 0x77) return false;
  const unsigned fscod = frame[4] >> 6;
  const unsigned frmsizecod = frame[4] & 0x3F;
  const std::size_t frameBytes = Ac3FrameBytes(frmsizecod, fscod);
  if (frameBytes == 0) return false;
  // First five-eighths of the frame, in whole 16-bit words.
  const std::size_t words = frameBytes / 2;
  const std::size_t crcEnd = ((words >> 1) + (words >> 3)) * 2;
  // A frame whose checked range has not been received cannot be told from
  // a chance 0x0B77 in the data: it does not count.
  if (crcEnd > frame.size()) return false;
  return Ac3Crc16(frame.subspan(2, crcEnd - 2)) == 0;
}

std::size_t FindAc3SyncFrame(std::span<const std::uint8_t> stream, std::size_t from,
                             std::size_t to) {
  if (to > stream.size()) to = stream.size();
  for (std::size_t i = from; i < to; ++i) {
    if (stream[i] == 0x0B && IsAc3SyncFrame(stream, i)) return i;
  }
  return to;
}

}  // namespace filters
