#include "tables/psip/VctTable.h"

#include "tables/sections/SectionReader.h"

namespace tables {

bool DecodeVct(std::span<const std::uint8_t> section, VctTable& vct) {
  vct.header = SectionHeader::Read(section);
  vct.channels.clear();
  common::ByteReader r = SectionBody(section, kLongHeaderBytes);
  vct.protocolVersion = r.U8();
  vct.channelCount = r.U8();
  for (unsigned i = 0; i < vct.channelCount && r.Ok(); ++i) {
    VctChannel c;
    for (char16_t& ch : c.shortName)
      ch = r.U16();
    r.Bits(4);
    c.major = static_cast<std::uint16_t>(r.Bits(10));
    c.minor = static_cast<std::uint16_t>(r.Bits(10));
    c.modulationMode = r.U8();
    c.carrierFrequency = r.U32();
    c.channelTsid = r.U16();
    c.programNumber = r.U16();
    c.etmLocation = static_cast<std::uint8_t>(r.Bits(2));
    c.accessControlled = r.Flag();
    c.hidden = r.Flag();
    c.pathSelect = r.Flag();
    c.outOfBand = r.Flag();
    c.hideGuide = r.Flag();
    r.Bits(3);
    c.serviceType = static_cast<std::uint8_t>(r.Bits(6));
    c.sourceId = r.U16();
    c.descriptors = r.Bytes(ReadLength10(r));
    if (!r.Ok()) return false;
    vct.channels.push_back(c);
  }
  return r.Ok();
}

}  // namespace tables
