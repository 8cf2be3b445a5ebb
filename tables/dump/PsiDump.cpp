#include "common/TimeBase.h"
#include "tables/dump/DescriptorDump.h"
#include "tables/dump/TableDump.h"
#include "tables/dvb/DvbEitTable.h"
#include "tables/dvb/DvbTime.h"
#include "tables/dvb/SdtTable.h"
#include "tables/mpeg/PatTable.h"
#include "tables/mpeg/PmtTable.h"
#include "tables/names/NameTables.h"
#include "tables/psip/CableNitTable.h"
#include "tables/sections/SectionHeader.h"

namespace tables {
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
  CableNitTable nit;
  DecodeCableNit(section, nit);
  out.Print("    NIT first_index:%3d\n", nit.firstIndex);
  if (nit.tableSubtype == 1) {
    unsigned index = nit.firstIndex;
    for (const CarrierDefinition& c : nit.carriers) {
      out.Print("      CDS number_of_carriers:%d\n", c.numberOfCarriers);
      std::uint32_t frequency = c.FirstFrequencyHz();
      for (unsigned i = 0; i < c.numberOfCarriers; ++i) {
        out.Print("        index %3d frequency=%10u\n", index++, frequency);
        frequency += c.SpacingHz();
      }
    }
    out.Append("\n");
  } else if (nit.tableSubtype == 2) {
    for (const ModulationMode& m : nit.modes) {
      out.Print("      MMS transmission_system:%d\n", m.transmissionSystem);
      out.Print("        inner_coding_mode:%d\n", m.innerCodingMode);
      out.Print("        split_bitstream_mode:%d\n", m.splitBitstreamMode ? 1 : 0);
      out.Print("        modulation_format:%d\n", m.modulationFormat);
      out.Print("        symbol_rate():%d\n", static_cast<int>(m.symbolRate));
      out.Print("        descriptor_count:%d\n", m.descriptorCount);
    }
  }
}

}  // namespace tables
