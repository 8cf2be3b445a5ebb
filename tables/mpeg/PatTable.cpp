#include "tables/mpeg/PatTable.h"

#include "tables/sections/SectionReader.h"

namespace tables {

bool DecodePat(std::span<const std::uint8_t> section, PatTable& pat) {
  pat.header = SectionHeader::Read(section);
  pat.programs.clear();
  common::ByteReader r = SectionBody(section, kLongHeaderBytes);
  if (!r.Ok()) return false;
  while (r.Remaining() >= 4) {
    PatEntry e;
    e.programNumber = r.U16();
    e.pid = ReadPid(r);
    pat.programs.push_back(e);
  }
  return true;
}

}  // namespace tables
