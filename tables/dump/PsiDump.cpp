#include "common/ByteReader.h"
#include "common/TimeBase.h"
#include "tables/dump/DescriptorDump.h"
#include "tables/dump/TableDump.h"
#include "tables/dvb/DvbEitTable.h"
#include "tables/dvb/DvbTime.h"
#include "tables/dvb/SdtTable.h"
#include "tables/mpeg/PatTable.h"
#include "tables/mpeg/PmtTable.h"
#include "tables/names/NameTables.h"
#include "tables/sections/SectionHeader.h"

namespace tables {
namespace {

constexpr std::size_t kCrcBytes = 4;

// The bytes from `offset` up to the CRC (empty when the section is shorter).
std::span<const std::uint8_t> Body(std::span<const std::uint8_t> section, std::size_t offset) {
  if (section.size() < offset + kCrcBytes) return {};
  return section.subspan(offset, section.size() - offset - kCrcBytes);
}

}  // namespace

void DumpLongHeader(DumpText& out, std::span<const std::uint8_t> section, const char* name,
                    const char* extensionLabel) {
  const SectionHeader h = SectionHeader::Read(section);
  out.Print("    %s", name);
  out.Print(" %s=0x%04X", extensionLabel, h.tableIdExtension);
  out.Print(" Ver=%d", h.version);
  out.Print(" current=%d", h.currentNext ? 1 : 0);
  out.Print(" Section=%d/%d\n", h.sectionNumber + 1, h.lastSectionNumber + 1);
}

void DumpGeneric(DumpText& out, std::span<const std::uint8_t> section) {
  const SectionHeader h = SectionHeader::Read(section);
  if (h.syntaxIndicator) {
    DumpLongHeader(out, section, TableIdName(h.tableId), "TIDE");
  } else {
    out.Print("    %s", TableIdName(h.tableId));
    out.Print(" section_length:%d\n", h.sectionLength);
  }
}

void DumpPat(DumpText& out, std::span<const std::uint8_t> section) {
  PatTable pat;
  DecodePat(section, pat);
  DumpLongHeader(out, section, "PAT", "TSID");
  out.Print("      program_count=%d\n", (pat.header.sectionLength - 6) / 4);
  for (const PatEntry& e : pat.programs) {
    out.Print("      Program Number: %5d,", e.programNumber);
    if (e.programNumber == 0) {
      out.Print(" network_PID: 0x%04x\n", e.pid);
    } else {
      out.Print(" program_map_PID: 0x%04x\n", e.pid);
    }
  }
}

void DumpPmt(DumpText& out, std::span<const std::uint8_t> section) {
  PmtTable pmt;
  DecodePmt(section, pmt);
  DumpLongHeader(out, section, "PMT", "TIDE");
  out.Print("      program_number = %d\n", pmt.ProgramNumber());
  out.Print("      PCR PID = 0x%04X\n", pmt.pcrPid);
  DumpDescriptors(out, pmt.programInfo, "      ");
  for (const PmtStream& s : pmt.streams) {
    out.Print("        stream_type = 0x%02X (%-10s) ", s.streamType, StreamTypeName(s.streamType));
    out.Print("elementary_PID = 0x%04X ", s.elementaryPid);
    out.Print("ES_info_length = %d\n", static_cast<int>(s.esInfo.size()));
    DumpDescriptors(out, s.esInfo, "        ");
  }
}

void DumpSdt(DumpText& out, std::span<const std::uint8_t> section) {
  SdtTable sdt;
  DecodeSdt(section, sdt);
  const SectionHeader& h = sdt.header;
  out.Print("    %s", TableIdName(h.tableId));
  out.Print(" TIDE=0x%04X", h.tableIdExtension);
  out.Print(" Ver=%d", h.version);
  out.Print(" current=%d", h.currentNext ? 1 : 0);
  out.Print(" Section=%d/%d", h.sectionNumber + 1, h.lastSectionNumber + 1);
  out.Print(" section_length=%d\n", h.sectionLength);
  out.Print("    SDT=0x%04X", sdt.originalNetworkId);
  out.Print(" original_network_id=0x%04X", sdt.originalNetworkId);
  out.Print(" reserved_for_future_use=0x%04X\n", sdt.reserved);
  for (const SdtService& service : sdt.services) {
    out.Print("      service_id=%d\n", service.serviceId);
    out.Print("        EIT_schedule_flag=%d\n", service.eitSchedule ? 1 : 0);
    out.Print("        EIT_present_following_flag=%d\n", service.eitPresentFollowing ? 1 : 0);
    out.Print("        running_status=%d\n", service.runningStatus);
    out.Print("        free_CA_mode=%d\n", service.freeCaMode ? 1 : 0);
    out.Print("        descriptors_loop_length=%d\n", static_cast<int>(service.descriptors.size()));
    DumpDescriptors(out, service.descriptors, "        ");
  }
}

void DumpDvbEit(DumpText& out, std::span<const std::uint8_t> section) {
  DvbEitTable eit;
  DecodeDvbEit(section, eit);
  DumpLongHeader(out, section, TableIdName(eit.header.tableId), "service_id");
  out.Print("      transport_stream_id=%d\n", eit.transportStreamId);
  out.Print("      original_network_id=%d\n", eit.originalNetworkId);
  out.Print("      segment_last_section_number=%d\n", eit.segmentLastSectionNumber);
  out.Print("      last_table_id=%d\n", eit.lastTableId);
  for (const DvbEvent& e : eit.events) {
    out.Print("        event_id: 0x%04X\n", e.eventId);
    out.Print("        start_date = 0x%4X\n", e.mjd);
    out.Print("        start_date = %s\n",
              common::TimeText(DvbUnixTime(e.mjd, e.startBcd)).c_str());
    out.Print("        start_time = 0x%6X\n", e.startBcd);
    out.Print("        duration = 0x%X\n", e.durationBcd);
    out.Print("        descriptors_loop_length %d\n", static_cast<int>(e.descriptors.size()));
    DumpDescriptors(out, e.descriptors, "          ");
  }
}

void DumpCableNit(DumpText& out, std::span<const std::uint8_t> section) {
  common::ByteReader head(section);
  head.Skip(4);
  const unsigned firstIndex = head.U8();
  const unsigned records = head.U8();
  head.Bits(4);
  const auto subtype = static_cast<unsigned>(head.Bits(4));
  out.Print("    NIT first_index:%3d\n", firstIndex);
  common::ByteReader r(Body(section, 7));
  if (subtype == 1) {
    unsigned index = firstIndex;
    for (unsigned i = 0; i < records && r.Ok(); ++i) {
      const unsigned carriers = r.U8();
      const bool spacingUnit = r.Flag();
      r.Bits(1);
      const auto spacing = static_cast<std::uint32_t>(r.Bits(14));
      const bool frequencyUnit = r.Flag();
      const auto first = static_cast<std::uint32_t>(r.Bits(15));
      const unsigned descriptorCount = r.U8();
      for (unsigned d = 0; d < descriptorCount && r.Ok(); ++d) {
        r.U8();
        r.Skip(r.U8());
      }
      if (!r.Ok()) break;
      out.Print("      CDS number_of_carriers:%d\n", carriers);
      std::uint32_t frequency = first * (frequencyUnit ? 125000u : 10000u);
      for (unsigned c = 0; c < carriers; ++c) {
        out.Print("        index %3d frequency=%10u\n", index++, frequency);
        frequency += spacing * (spacingUnit ? 125000u : 10000u);
      }
    }
    out.Append("\n");
  } else if (subtype == 2) {
    for (unsigned i = 0; i < records; ++i) {
      const auto system = static_cast<unsigned>(r.Bits(4));
      const auto inner = static_cast<unsigned>(r.Bits(4));
      const bool split = r.Flag();
      r.Bits(2);
      const auto format = static_cast<unsigned>(r.Bits(5));
      r.Bits(4);
      const auto symbolRate = static_cast<unsigned>(r.Bits(28));
      const unsigned descriptorCount = r.U8();
      for (unsigned d = 0; d < descriptorCount && r.Ok(); ++d) {
        r.U8();
        r.Skip(r.U8());
      }
      if (!r.Ok()) break;
      out.Print("      MMS transmission_system:%d\n", system);
      out.Print("        inner_coding_mode:%d\n", inner);
      out.Print("        split_bitstream_mode:%d\n", split ? 1 : 0);
      out.Print("        modulation_format:%d\n", format);
      out.Print("        symbol_rate():%d\n", symbolRate);
      out.Print("        descriptor_count:%d\n", descriptorCount);
    }
  }
}

}  // namespace tables
