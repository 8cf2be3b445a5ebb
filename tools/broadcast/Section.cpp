#include "tools/broadcast/Section.h"

#include "common/Crc32.h"

namespace broadcast {

Bytes LongSection(const LongSectionHeader& header, std::span<const std::uint8_t> body) {
  const std::size_t sectionLength = 5 + body.size() + 4;
  BitWriter w;
  w.U8(header.tableId);
  w.Bits(1, 1);  // section_syntax_indicator
  w.Bits(header.privateIndicator ? 1 : 0, 1);
  w.Reserved(2);
  w.Bits(sectionLength, 12);
  w.U16(header.tableIdExtension);
  w.Reserved(2);
  w.Bits(header.version, 5);
  w.Bits(1, 1);  // current_next_indicator
  w.U8(header.sectionNumber);
  w.U8(header.lastSectionNumber);
  w.Append(body);
  const std::uint32_t crc = common::Crc32Mpeg2(w.Data());
  w.U32(crc);
  return w.Take();
}

Bytes ShortSection(std::uint8_t tableId, bool privateIndicator,
                   std::span<const std::uint8_t> body) {
  BitWriter w;
  w.U8(tableId);
  w.Bits(0, 1);
  w.Bits(privateIndicator ? 1 : 0, 1);
  w.Reserved(2);
  w.Bits(body.size(), 12);
  w.Append(body);
  return w.Take();
}

}  // namespace broadcast
