#include "common/ByteReader.h"
#include "common/TimeBase.h"
#include "common/Utf16.h"
#include "tables/dump/DescriptorDump.h"
#include "tables/dump/TableDump.h"
#include "tables/names/NameTables.h"
#include "tables/sections/SectionHeader.h"
#include "tables/text/TextDecoding.h"

namespace tables {
namespace {

constexpr std::size_t kCrcBytes = 4;
constexpr std::int64_t kGpsToUnix = 315964800;

std::span<const std::uint8_t> Body(std::span<const std::uint8_t> section, std::size_t offset) {
  if (section.size() < offset + kCrcBytes) return {};
  return section.subspan(offset, section.size() - offset - kCrcBytes);
}

}  // namespace

void DumpMgt(DumpText& out, std::span<const std::uint8_t> section) {
  DumpLongHeader(out, section, "MGT", "TIDE");
  common::ByteReader r(Body(section, 9));
  const unsigned tablesDefined = r.U16();
  out.Print("      tables_defined: %d\n", tablesDefined);
  for (unsigned i = 0; i < tablesDefined; ++i) {
    const unsigned type = r.U16();
    r.Bits(3);
    const auto pid = static_cast<unsigned>(r.Bits(13));
    r.Bits(3);
    const auto version = static_cast<int>(r.Bits(5));
    const std::uint32_t bytes = r.U32();
    r.Bits(4);
    const auto descriptorsLength = static_cast<unsigned>(r.Bits(12));
    r.Skip(descriptorsLength);
    if (!r.Ok()) return;
    if (type == 0x0000) {
      out.Print("        VCT     PID 0x%04X TID 0x%02X Version: % 2d\n", pid, 0xC8, version);
    } else if (type == 0x0004) {
      out.Print("        ETT-%03d PID 0x%04X TID 0xCC Version: % 2d\n", 4, pid, version);
    } else if (type >= 0x0100 && type <= 0x017F) {
      out.Print("        EIT-%03d PID 0x%04X TID 0x%02X Version: % 2d\n", type - 0x100, pid, 0xCB,
                version);
    } else if (type >= 0x0200 && type <= 0x027F) {
      out.Print("        ETT-%03d PID 0x%04X TID 0xCC Version: % 2d\n", type - 0x200, pid, version);
    } else {
      out.Print("        table_type: 0x%04X %s ", type,
                TableTypeName(static_cast<std::uint16_t>(type)));
      out.Print("PID: 0x%04X ", pid);
      out.Print("Ver: %d ", version);
      out.Print("Bytes: %d ", static_cast<int>(bytes));
      out.Print("descriptors_length: %d\n", descriptorsLength);
    }
  }
}

void DumpPsipEit(DumpText& out, std::span<const std::uint8_t> section) {
  DumpLongHeader(out, section, TableIdName(0xCB), "source_id");
  common::ByteReader r(Body(section, 9));
  const unsigned count = r.U8();
  out.Print("      event_count=%d\n", count);
  for (unsigned i = 0; i < count; ++i) {
    r.Bits(2);
    const auto eventId = static_cast<unsigned>(r.Bits(14));
    const std::uint32_t start = r.U32();
    r.Bits(2);
    const auto etmLocation = static_cast<unsigned>(r.Bits(2));
    const auto length = static_cast<std::uint32_t>(r.Bits(20));
    const unsigned titleLength = r.U8();
    const auto title = r.Bytes(titleLength);
    r.Bits(4);
    const auto descriptorsLength = static_cast<unsigned>(r.Bits(12));
    const auto descriptors = r.Bytes(descriptorsLength);
    if (!r.Ok()) return;
    char16_t text[100];
    DecodeMultipleString16(text, title);
    out.Print("        event_id: 0x%04X\n", eventId);
    out.Print("        start_time = %s\n", common::TimeText(start + kGpsToUnix).c_str());
    out.Print("        ETM_location: 0x%X\n", etmLocation);
    out.Print("        event_length = %d\n", static_cast<int>(length / 60));
    out.Print("        title_length %d\n", titleLength);
    out.Append("        title_text = ");
    out.AppendUtf16(common::FieldView(text));
    out.Append("\n");
    out.Print("        descriptors_length %d\n", descriptorsLength);
    DumpDescriptors(out, descriptors, "          ");
  }
}

void DumpVct(DumpText& out, std::span<const std::uint8_t> section) {
  const bool cable = !section.empty() && section[0] == 0xC9;
  DumpLongHeader(out, section, cable ? "CVCT" : "TVCT", "TSID");
  common::ByteReader r(Body(section, 8));
  const unsigned protocol = r.U8();
  const unsigned count = r.U8();
  out.Print("      protocol_version %8d\n", protocol);
  out.Print("      channel_count    %8d\n", count);
  for (unsigned i = 0; i < count; ++i) {
    char16_t name[7];
    for (char16_t& c : name)
      c = r.U16();
    r.Bits(4);
    const auto major = static_cast<unsigned>(r.Bits(10));
    const auto minor = static_cast<unsigned>(r.Bits(10));
    const unsigned modulation = r.U8();
    const std::uint32_t carrier = r.U32();
    const unsigned tsid = r.U16();
    const unsigned program = r.U16();
    const auto etmLocation = static_cast<unsigned>(r.Bits(2));
    const bool accessControlled = r.Flag();
    const bool hidden = r.Flag();
    const bool pathSelect = r.Flag();
    const bool outOfBand = r.Flag();
    const bool hideGuide = r.Flag();
    r.Bits(3);
    const auto serviceType = static_cast<std::uint8_t>(r.Bits(6));
    const unsigned sourceId = r.U16();
    r.Bits(6);
    const auto descriptorsLength = static_cast<unsigned>(r.Bits(10));
    const auto descriptors = r.Bytes(descriptorsLength);
    if (!r.Ok()) return;
    out.Print("        channel=%d.%d ", major, minor);
    out.Append("        ");
    // Each "%C" writes its character, a zero too.
    for (char16_t c : name) {
      if (c == 0) {
        out.AppendChar('\0');
      } else {
        out.AppendUtf16(std::u16string_view(&c, 1));
      }
    }
    out.Append("\n");
    out.Print("        modulation_mode:      0x%02X\n", modulation);
    out.Print("        carrier_frequency:    %d\n", static_cast<int>(carrier));
    out.Print("        channel_TSID:         0x%04X\n", tsid);
    out.Print("        program_number:       %d\n", program);
    out.Print("        ETM_location:         0x%X\n", etmLocation);
    out.Print("        access_controlled:    %d\n", accessControlled ? 1 : 0);
    out.Print("        hidden:               %d\n", hidden ? 1 : 0);
    if (cable) {
      out.Print("        path_select:          %d\n", pathSelect ? 1 : 0);
      out.Print("        out_of_band:          %d\n", outOfBand ? 1 : 0);
    }
    out.Print("        hide_guide:           %d\n", hideGuide ? 1 : 0);
    out.Print("        service_type:         %s\n", ServiceTypeName(serviceType));
    out.Print("        source_id:            0x%04X\n", sourceId);
    out.Print("        descriptors_length:   %d\n", descriptorsLength);
    DumpDescriptors(out, descriptors, "          ");
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
