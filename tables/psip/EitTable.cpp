#include "tables/psip/EitTable.h"

#include "tables/sections/SectionReader.h"

namespace tables {

bool DecodeEit(std::span<const std::uint8_t> section, EitTable& eit) {
  eit.header = SectionHeader::Read(section);
  eit.events.clear();
  common::ByteReader r = SectionBody(section, kLongHeaderBytes);
  eit.protocolVersion = r.U8();
  eit.eventCount = r.U8();
  for (unsigned i = 0; i < eit.eventCount && r.Ok(); ++i) {
    PsipEvent e;
    r.Bits(2);
    e.eventId = static_cast<std::uint16_t>(r.Bits(14));
    e.startTime = r.U32();
    r.Bits(2);
    e.etmLocation = static_cast<std::uint8_t>(r.Bits(2));
    e.lengthInSeconds = static_cast<std::uint32_t>(r.Bits(20));
    e.title = r.Bytes(r.U8());
    e.descriptors = r.Bytes(ReadLength12(r));
    if (!r.Ok()) return false;
    eit.events.push_back(e);
  }
  return r.Ok();
}

}  // namespace tables
