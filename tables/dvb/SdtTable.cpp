#include "tables/dvb/SdtTable.h"

#include "tables/sections/SectionReader.h"

namespace tables {

bool DecodeSdt(std::span<const std::uint8_t> section, SdtTable& sdt) {
  sdt.header = SectionHeader::Read(section);
  sdt.services.clear();
  common::ByteReader r = SectionBody(section, kLongHeaderBytes);
  sdt.originalNetworkId = r.U16();
  sdt.reserved = r.U8();
  while (r.Ok() && r.Remaining() >= 5) {
    SdtService s;
    s.serviceId = r.U16();
    r.Bits(6);
    s.eitSchedule = r.Flag();
    s.eitPresentFollowing = r.Flag();
    s.runningStatus = static_cast<std::uint8_t>(r.Bits(3));
    s.freeCaMode = r.Flag();
    s.descriptors = r.Bytes(static_cast<std::size_t>(r.Bits(12)));
    if (!r.Ok()) return false;
    sdt.services.push_back(s);
  }
  return r.Ok();
}

}  // namespace tables
