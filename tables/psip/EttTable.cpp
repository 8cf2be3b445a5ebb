#include "tables/psip/EttTable.h"

#include "tables/sections/SectionReader.h"

namespace tables {

bool DecodeEtt(std::span<const std::uint8_t> section, EttTable& ett) {
  ett.header = SectionHeader::Read(section);
  common::ByteReader r = SectionBody(section, kLongHeaderBytes);
  ett.protocolVersion = r.U8();
  ett.etmId = r.U32();
  ett.extendedText = r.Bytes(r.Remaining());
  return r.Ok();
}

bool DecodeStt(std::span<const std::uint8_t> section, SttTable& stt) {
  stt.header = SectionHeader::Read(section);
  common::ByteReader r = SectionBody(section, kLongHeaderBytes);
  stt.protocolVersion = r.U8();
  stt.systemTime = r.U32();
  stt.gpsUtcOffset = r.U8();
  stt.daylightSaving = r.U16();
  stt.descriptors = r.Bytes(r.Remaining());
  return r.Ok();
}

}  // namespace tables
