#include "tables/mpeg/PmtTable.h"

#include "tables/sections/SectionReader.h"

namespace tables {

bool DecodePmt(std::span<const std::uint8_t> section, PmtTable& pmt) {
  pmt.header = SectionHeader::Read(section);
  pmt.streams.clear();
  common::ByteReader r = SectionBody(section, kLongHeaderBytes);
  pmt.pcrPid = ReadPid(r);
  pmt.programInfo = r.Bytes(ReadLength12(r));
  if (!r.Ok()) return false;
  while (r.Remaining() >= 5) {
    PmtStream s;
    s.streamType = r.U8();
    s.elementaryPid = ReadPid(r);
    s.esInfo = r.Bytes(ReadLength12(r));
    if (!r.Ok()) break;
    pmt.streams.push_back(s);
  }
  return true;
}

}  // namespace tables
