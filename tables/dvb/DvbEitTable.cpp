#include "tables/dvb/DvbEitTable.h"

#include "tables/sections/SectionReader.h"

namespace tables {

bool DecodeDvbEit(std::span<const std::uint8_t> section, DvbEitTable& eit) {
  eit.header = SectionHeader::Read(section);
  eit.events.clear();
  common::ByteReader r = SectionBody(section, kLongHeaderBytes);
  eit.transportStreamId = r.U16();
  eit.originalNetworkId = r.U16();
  eit.segmentLastSectionNumber = r.U8();
  eit.lastTableId = r.U8();
  while (r.Ok() && !r.AtEnd()) {
    DvbEvent e;
    e.eventId = r.U16();
    e.mjd = r.U16();
    e.startBcd = r.U24();
    e.durationBcd = r.U24();
    e.runningStatus = static_cast<std::uint8_t>(r.Bits(3));
    e.freeCaMode = r.Flag();
    e.descriptors = r.Bytes(static_cast<std::size_t>(r.Bits(12)));
    if (!r.Ok()) return false;
    eit.events.push_back(e);
  }
  return r.Ok();
}

}  // namespace tables
