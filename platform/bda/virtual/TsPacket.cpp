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

}  // namespace vtuner
