#include "tables/sections/Pat.h"

#include "common/ByteReader.h"
#include "tables/sections/SectionHeader.h"

namespace tables {
namespace {

constexpr std::size_t kPatHeaderBytes = 8;
constexpr std::size_t kCrcBytes = 4;

// Calls fn(program_number, pid) for each entry between the header and the CRC.
template <class Fn>
void ForEachProgram(std::span<const std::uint8_t> section, Fn fn) {
  if (section.size() < kPatHeaderBytes + kCrcBytes) return;
  common::ByteReader r(
      section.subspan(kPatHeaderBytes, section.size() - kPatHeaderBytes - kCrcBytes));
  while (r.Remaining() >= 4) {
    const std::uint16_t program = r.U16();
    r.Bits(3);
    const auto pid = static_cast<std::uint16_t>(r.Bits(13));
    if (!r.Ok()) return;
    if (!fn(program, pid)) return;
  }
}

}  // namespace

bool CheckPat(std::span<const std::uint8_t> section) {
  const SectionHeader h = SectionHeader::Read(section);
  return section.size() == h.sectionLength + 3u && h.sectionLength >= 9 &&
         h.sectionLength <= 1021 && h.lastSectionNumber >= h.sectionNumber && h.syntaxIndicator &&
         (h.sectionLength - 9) % 4 == 0;
}

void AddPatPids(std::span<const std::uint8_t> section, PsiPidList& pids) {
  std::lock_guard<std::mutex> lock(pids.lock);
  ForEachProgram(section, [&](std::uint16_t, std::uint16_t pid) {
    pids.AddIfMissing(pid, kPidFromPat);
    return true;
  });
}

std::int32_t FindProgramPid(std::span<const std::uint8_t> section, std::uint16_t programNumber) {
  std::int32_t found = -1;
  ForEachProgram(section, [&](std::uint16_t program, std::uint16_t pid) {
    if (program != programNumber) return true;
    found = pid;
    return false;
  });
  return found;
}

}  // namespace tables
