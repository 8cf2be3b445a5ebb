#include "tables/psip/MgtTable.h"

#include "tables/sections/SectionReader.h"

namespace tables {

bool DecodeMgt(std::span<const std::uint8_t> section, MgtTable& mgt) {
  constexpr std::size_t kProtocolVersionBytes = 1;
  mgt.header = SectionHeader::Read(section);
  mgt.tables.clear();
  common::ByteReader r = SectionBody(section, kLongHeaderBytes + kProtocolVersionBytes);
  mgt.tablesDefined = r.U16();
  for (unsigned i = 0; i < mgt.tablesDefined && r.Ok(); ++i) {
    MgtEntry e;
    e.tableType = r.U16();
    e.pid = ReadPid(r);
    r.Bits(3);
    e.version = static_cast<std::uint8_t>(r.Bits(5));
    e.numberBytes = r.U32();
    e.descriptors = r.Bytes(ReadLength12(r));
    if (!r.Ok()) return false;
    mgt.tables.push_back(e);
  }
  return r.Ok();
}

}  // namespace tables
