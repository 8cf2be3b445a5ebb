#include <cstdio>

#include "tables/dump/TableDump.h"
#include "tables/dvb/DvbEit.h"
#include "tuning/BandPlan.h"

namespace tables {

void DumpSection(DumpText& out, std::span<const std::uint8_t> section) {
  if (section.empty()) return;
  const std::uint8_t tableId = section[0];
  switch (tableId) {
    case 0x00:
      DumpPat(out, section);
      break;
    case 0x02:
      DumpPmt(out, section);
      break;
    case 0x42:
    case 0x46:
      DumpSdt(out, section);
      break;
    case 0xC2:
      DumpCableNit(out, section);
      break;
    case 0xC4:
      DumpSvct(out, section);
      break;
    case 0xC7:
      DumpMgt(out, section);
      break;
    case 0xC8:
    case 0xC9:
      DumpVct(out, section);
      break;
    case 0xCB:
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
