#include "common/ByteReader.h"
#include "common/TimeBase.h"
#include "common/TsConstants.h"
#include "common/Utf16.h"
#include "tables/dump/DescriptorDump.h"
#include "tables/dump/TableDump.h"
#include "tables/names/NameTables.h"
#include "tables/psip/EitTable.h"
#include "tables/psip/MgtTable.h"
#include "tables/psip/VctTable.h"
#include "tables/sections/SectionHeader.h"
#include "tables/text/TextDecoding.h"

namespace tables {
namespace {

constexpr std::size_t kCrcBytes = 4;

std::span<const std::uint8_t> Body(std::span<const std::uint8_t> section, std::size_t offset) {
  if (section.size() < offset + kCrcBytes) return {};
  return section.subspan(offset, section.size() - offset - kCrcBytes);
}

}  // namespace

void DumpMgt(DumpText& out, std::span<const std::uint8_t> section) {
  MgtTable mgt;
  DecodeMgt(section, mgt);
  DumpLongHeader(out, section, "MGT", "TIDE");
  out.Print("      tables_defined: %d\n", mgt.tablesDefined);
  for (const MgtEntry& e : mgt.tables) {
    const unsigned type = e.tableType;
    const unsigned pid = e.pid;
    const int version = e.version;
    if (type == 0x0000) {
      out.Print("        VCT     PID 0x%04X TID 0x%02X Version: % 2d\n", pid, 0xC8, version);
    } else if (type == 0x0004) {
      out.Print("        ETT-%03d PID 0x%04X TID 0xCC Version: % 2d\n", 4, pid, version);
    } else if (IsEitTableType(e.tableType)) {
      out.Print("        EIT-%03d PID 0x%04X TID 0x%02X Version: % 2d\n", type - 0x100, pid, 0xCB,
                version);
    } else if (type >= 0x0200 && type <= 0x027F) {
      out.Print("        ETT-%03d PID 0x%04X TID 0xCC Version: % 2d\n", type - 0x200, pid, version);
    } else {
      out.Print("        table_type: 0x%04X %s ", type, TableTypeName(e.tableType));
      out.Print("PID: 0x%04X ", pid);
      out.Print("Ver: %d ", version);
      out.Print("Bytes: %d ", static_cast<int>(e.numberBytes));
      out.Print("descriptors_length: %d\n", static_cast<int>(e.descriptors.size()));
    }
  }
}

void DumpPsipEit(DumpText& out, std::span<const std::uint8_t> section) {
  EitTable eit;
  DecodeEit(section, eit);
  DumpLongHeader(out, section, TableIdName(common::kPsipEitTableId), "source_id");
  out.Print("      event_count=%d\n", eit.eventCount);
  for (const PsipEvent& e : eit.events) {
    char16_t text[100];
    DecodeMultipleString16(text, e.title);
    out.Print("        event_id: 0x%04X\n", e.eventId);
    out.Print("        start_time = %s\n",
              common::TimeText(e.startTime + common::kGpsToUnixSeconds).c_str());
    out.Print("        ETM_location: 0x%X\n", e.etmLocation);
    out.Print("        event_length = %d\n", static_cast<int>(e.lengthInSeconds / 60));
    out.Print("        title_length %d\n", static_cast<int>(e.title.size()));
    out.Append("        title_text = ");
    out.AppendUtf16(common::FieldView(text));
    out.Append("\n");
    out.Print("        descriptors_length %d\n", static_cast<int>(e.descriptors.size()));
    DumpDescriptors(out, e.descriptors, "          ");
  }
}

void DumpVct(DumpText& out, std::span<const std::uint8_t> section) {
  VctTable vct;
  DecodeVct(section, vct);
  const bool cable = vct.header.tableId == common::kCvctTableId;
  DumpLongHeader(out, section, cable ? "CVCT" : "TVCT", "TSID");
  out.Print("      protocol_version %8d\n", vct.protocolVersion);
  out.Print("      channel_count    %8d\n", vct.channelCount);
  for (const VctChannel& c : vct.channels) {
    out.Print("        channel=%d.%d ", c.major, c.minor);
    out.Append("        ");
    // Each "%C" writes its character, a zero too.
    for (char16_t ch : c.shortName) {
      if (ch == 0) {
        out.AppendChar('\0');
      } else {
        out.AppendUtf16(std::u16string_view(&ch, 1));
      }
    }
    out.Append("\n");
    out.Print("        modulation_mode:      0x%02X\n", c.modulationMode);
    out.Print("        carrier_frequency:    %d\n", static_cast<int>(c.carrierFrequency));
    out.Print("        channel_TSID:         0x%04X\n", c.channelTsid);
    out.Print("        program_number:       %d\n", c.programNumber);
    out.Print("        ETM_location:         0x%X\n", c.etmLocation);
    out.Print("        access_controlled:    %d\n", c.accessControlled ? 1 : 0);
    out.Print("        hidden:               %d\n", c.hidden ? 1 : 0);
    if (cable) {
      out.Print("        path_select:          %d\n", c.pathSelect ? 1 : 0);
      out.Print("        out_of_band:          %d\n", c.outOfBand ? 1 : 0);
    }
    out.Print("        hide_guide:           %d\n", c.hideGuide ? 1 : 0);
    out.Print("        service_type:         %s\n", ServiceTypeName(c.serviceType));
    out.Print("        source_id:            0x%04X\n", c.sourceId);
    out.Print("        descriptors_length:   %d\n", static_cast<int>(c.descriptors.size()));
    DumpDescriptors(out, c.descriptors, "          ");
  }
}

void DumpSvct(DumpText& out, std::span<const std::uint8_t> section) {
  common::ByteReader head(section);
  head.Skip(1);
  head.Bits(4);
  const auto sectionLength = static_cast<unsigned>(head.Bits(12));
  const unsigned protocol = head.U8() & 0x1Fu;
  const unsigned mediumAndSubtype = head.U8();
  const unsigned vctId = head.U16();
  const unsigned subtype = mediumAndSubtype & 0x0F;
  out.Append("    S-VCT");
  out.Print(" section_length=%d", sectionLength);
  out.Print(" protocol_version=%d table_subtype=%d transmission_medium=%d VCT_ID=%d\n", protocol,
            subtype, mediumAndSubtype >> 4, vctId);
  if (subtype == 0) {
    common::ByteReader info(section);
    info.Skip(7);
    const bool descriptorsIncluded = (info.U8() & 0x20) != 0;
    info.Skip(5);
    const unsigned records = info.U8();
    out.Print("      number_of_VC_records=%d\n", records);
    out.Print("      descriptors_included=%d\n", descriptorsIncluded ? 1 : 0);
    common::ByteReader r(Body(section, 14));
    for (unsigned i = 0; i < records; ++i) {
      common::ByteReader rec = r;
      rec.Bits(4);
      const auto channel = static_cast<unsigned>(rec.Bits(12));
      const bool application = (rec.U8() & 0x80) != 0;
      rec.Skip(2);
      const unsigned cds = rec.U8();
      const unsigned program = rec.U16();
      const unsigned mms = rec.U8();
      std::size_t size = 9;
      if (descriptorsIncluded) {
        const unsigned descriptorCount = rec.U8();
        for (unsigned d = 0; d < descriptorCount && rec.Ok(); ++d) {
          rec.U8();
          rec.Skip(rec.U8());
        }
        size = rec.Position() - r.Position();
      }
      if (!rec.Ok()) return;
      out.Print("        channel=%4d", channel);
      if (application) {
        out.Append("\n");
      } else {
        out.Print(" CDS=%3d program_number=%4d MMS=%3d\n", cds, program, mms);
      }
      r.Skip(size);
    }
  } else if (subtype == 1) {
    common::ByteReader dcm(section);
    dcm.Skip(7);
    dcm.Bits(4);
    unsigned first = static_cast<unsigned>(dcm.Bits(12));
    dcm.Bits(1);
    const auto dataLength = static_cast<unsigned>(dcm.Bits(7));
    common::ByteReader r(Body(section, 10));
    for (unsigned i = 0; i < dataLength && r.Remaining() > 0; ++i) {
      const unsigned b = r.U8();
      const unsigned count = b & 0x7F;
      if (b & 0x80) {
        if (count == 1) {
          out.Print("        channels =%d\n", first);
        } else {
          out.Print("        channels =%d-%d\n", first, first + count - 1);
        }
      }
      first += count;
    }
  }
}

}  // namespace tables
