#include "platform/bda/virtual/TsPacket.h"

namespace vtuner {

std::uint64_t ReadPcr(const std::uint8_t* field) {
  const std::uint64_t base = std::uint64_t{field[0]} << 25 | std::uint64_t{field[1]} << 17 |
                             std::uint64_t{field[2]} << 9 | std::uint64_t{field[3]} << 1 |
                             field[4] >> 7;
  const std::uint64_t extension = (std::uint64_t{field[4]} & 0x01) << 8 | field[5];
  return base * 300 + extension;
}

void WritePcr(std::uint8_t* field, std::uint64_t pcr) {
  const std::uint64_t base = (pcr / 300) & (kTimestampWrap - 1);
  const std::uint64_t extension = pcr % 300;
  field[0] = static_cast<std::uint8_t>(base >> 25);
  field[1] = static_cast<std::uint8_t>(base >> 17);
  field[2] = static_cast<std::uint8_t>(base >> 9);
  field[3] = static_cast<std::uint8_t>(base >> 1);
  field[4] = static_cast<std::uint8_t>((base & 1) << 7 | (field[4] & 0x7E) | extension >> 8);
  field[5] = static_cast<std::uint8_t>(extension);
}

std::uint64_t ReadTimestamp(const std::uint8_t* field) {
  return (std::uint64_t{field[0]} >> 1 & 0x07) << 30 | std::uint64_t{field[1]} << 22 |
         (std::uint64_t{field[2]} >> 1) << 15 | std::uint64_t{field[3]} << 7 | field[4] >> 1;
}

void WriteTimestamp(std::uint8_t* field, std::uint64_t value) {
  value &= kTimestampWrap - 1;
  field[0] = static_cast<std::uint8_t>((field[0] & 0xF1) | (value >> 29 & 0x0E));
  field[1] = static_cast<std::uint8_t>(value >> 22);
  field[2] = static_cast<std::uint8_t>((field[2] & 0x01) | (value >> 14 & 0xFE));
  field[3] = static_cast<std::uint8_t>(value >> 7);
  field[4] = static_cast<std::uint8_t>((field[4] & 0x01) | (value << 1 & 0xFE));
}

}  // namespace vtuner
