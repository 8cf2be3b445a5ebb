#include "tables/sections/Pat.h"

#include "tables/mpeg/PatTable.h"

namespace tables {

bool CheckPat(std::span<const std::uint8_t> section) {
  const SectionHeader h = SectionHeader::Read(section);
  return section.size() == h.sectionLength + 3u && h.sectionLength >= 9 &&
         h.sectionLength <= 1021 && h.lastSectionNumber >= h.sectionNumber && h.syntaxIndicator &&
         (h.sectionLength - 9) % 4 == 0;
}

void AddPatPids(std::span<const std::uint8_t> section, PsiPidList& pids) {
  PatTable pat;
  DecodePat(section, pat);
  std::lock_guard<std::mutex> lock(pids.lock);
  for (const PatEntry& e : pat.programs)
    pids.AddIfMissing(e.pid, kPidFromPat);
}

std::int32_t FindProgramPid(std::span<const std::uint8_t> section, std::uint16_t programNumber) {
  PatTable pat;
  DecodePat(section, pat);
  for (const PatEntry& e : pat.programs) {
    if (e.programNumber == programNumber) return e.pid;
  }
  return -1;
}

}  // namespace tables
