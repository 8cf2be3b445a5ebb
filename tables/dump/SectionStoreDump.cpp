#include <cstdio>

#include "common/TsConstants.h"
#include "tables/dump/TableDump.h"
#include "tables/dvb/DvbEit.h"
#include "tables/sections/SectionHeader.h"
#include "tuning/BandPlan.h"

namespace tables {

void DumpSection(DumpText& out, std::span<const std::uint8_t> section) {
  if (section.empty()) return;
  const std::uint8_t tableId = SectionHeader::Read(section).tableId;
  switch (tableId) {
    case common::kPatTableId:
      DumpPat(out, section);
      break;
    case common::kPmtTableId:
      DumpPmt(out, section);
      break;
    case common::kSdtActualTableId:
    case common::kSdtOtherTableId:
      DumpSdt(out, section);
      break;
    case common::kCableNitTableId:
      DumpCableNit(out, section);
      break;
    case common::kSvctTableId:
      DumpSvct(out, section);
      break;
    case common::kMgtTableId:
      DumpMgt(out, section);
      break;
    case common::kTvctTableId:
    case common::kCvctTableId:
      DumpVct(out, section);
      break;
    case common::kPsipEitTableId:
      DumpPsipEit(out, section);
      break;
    default:
      if (IsDvbEitTable(tableId)) {
        DumpDvbEit(out, section);
      } else {
        DumpGeneric(out, section);
      }
      break;
  }
}

std::string SectionStoreText(const SectionStore& store) {
  DumpText out;
  bool first = true;
  SectionTag previous;
  for (const auto& [key, record] : store.Records()) {
    const SectionTag tag = SectionStore::TagOf(key);
    if (first || tag.modulation != previous.modulation || tag.tuningSpace != previous.tuningSpace ||
        tag.physical != previous.physical) {
      out.Print("%s %s %d\n", tuning::ModulationName(tag.modulation & 0xFFu),
                tuning::ChannelMapName(tag.tuningSpace), tag.physical);
    }
    if (first || tag.pid != previous.pid) out.Print("  PID=0x%04X\n", tag.pid);
    DumpSection(out, record.section);
    previous = tag;
    first = false;
  }
  return out.Text();
}

void DumpSectionStore(const SectionStore& store, const std::filesystem::path& dataFolder) {
  std::FILE* file = std::fopen((dataFolder / "PSIP.txt").c_str(), "wb");
  if (!file) return;
  const std::string text = SectionStoreText(store);
  std::string crlf;
  crlf.reserve(text.size() + text.size() / 16);
  for (char c : text) {
    if (c == '\n') crlf.push_back('\r');
    crlf.push_back(c);
  }
  std::fwrite(crlf.data(), 1, crlf.size(), file);
  std::fclose(file);
}

}  // namespace tables
