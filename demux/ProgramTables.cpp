#include "demux/ProgramTables.h"

#include <algorithm>

#include "common/Crc32.h"
#include "common/TsConstants.h"
#include "tables/mpeg/PatTable.h"
#include "tables/mpeg/PmtTable.h"

namespace demux {

namespace {

constexpr std::uint16_t kNoPid = 0xFFFF;

// Only long-form sections of the expected table with an intact CRC are read.
bool IsIntact(std::span<const std::uint8_t> section, std::uint8_t tableId) {
  const tables::SectionHeader h = tables::SectionHeader::Read(section);
  return section.size() >= 12 && h.tableId == tableId && h.syntaxIndicator &&
         common::Crc32Mpeg2(section) == 0;
}

}  // namespace

ProgramTables::ProgramTables() : watch_(kPidCount, kNone), pcrOf_(kPidCount, kNoPid) {
  watch_[0] = kPat;
}

ProgramTables::~ProgramTables() = default;

void ProgramTables::Reset() {
  for (const std::uint16_t pid : pmtPids_)
    watch_[pid] = kNone;
  for (const std::uint16_t pid : streamPids_)
    pcrOf_[pid] = kNoPid;
  pmtPids_.clear();
  streamPids_.clear();
  assemblers_.clear();
  programs_ = 0;
}

std::optional<std::uint16_t> ProgramTables::PcrPidOf(std::uint16_t esPid) const {
  const std::uint16_t pcr = pcrOf_[esPid & kMaxPid];
  if (pcr == kNoPid) return std::nullopt;
  return pcr;
}

SectionAssembler& ProgramTables::AssemblerFor(std::uint16_t pid) {
  for (auto& entry : assemblers_) {
    if (entry.first == pid) return *entry.second;
  }
  assemblers_.emplace_back(pid, std::make_unique<SectionAssembler>());
  return *assemblers_.back().second;
}

bool ProgramTables::Push(std::uint16_t pid, std::span<const std::uint8_t> payload, bool unitStart,
                         bool lost) {
  SectionAssembler& assembler = AssemblerFor(pid);
  SectionAssembler::Counters counters;
  if (lost) assembler.Abort(counters);
  bool changed = false;
  assembler.Push(
      payload, unitStart,
      [&](std::span<const std::uint8_t> section) { changed = OnSection(pid, section) || changed; },
      counters);
  return changed;
}

bool ProgramTables::OnSection(std::uint16_t pid, std::span<const std::uint8_t> section) {
  if (watch_[pid] == kPat) return OnPat(section);
  if (watch_[pid] == kPmt) return OnPmt(section);
  return false;
}

bool ProgramTables::OnPat(std::span<const std::uint8_t> section) {
  if (!IsIntact(section, common::kPatTableId)) return false;
  tables::PatTable pat;
  tables::DecodePat(section, pat);
  for (const tables::PatEntry& e : pat.programs) {
    // The network PID and PIDs known already are left alone.
    if (e.programNumber == 0 || e.pid == 0 || watch_[e.pid] != kNone) continue;
    if (programs_ == kMaxPrograms) break;
    watch_[e.pid] = kPmt;
    pmtPids_.push_back(e.pid);
    ++programs_;
  }
  return false;
}

bool ProgramTables::OnPmt(std::span<const std::uint8_t> section) {
  if (!IsIntact(section, common::kPmtTableId)) return false;
  tables::PmtTable pmt;
  tables::DecodePmt(section, pmt);
  // A programme without PCR (PID 0x1FFF) says nothing about the clock.
  const std::uint16_t value = pmt.pcrPid == kNullPid ? kNoPid : pmt.pcrPid;
  bool changed = false;
  for (const tables::PmtStream& s : pmt.streams) {
    std::uint16_t& pcr = pcrOf_[s.elementaryPid];
    if (pcr != value) {
      // An entry leaves kNoPid at most once between resets unless a PMT takes
      // its PCR away again; the lookup keeps the list free of repeats then.
      if (pcr == kNoPid &&
          std::find(streamPids_.begin(), streamPids_.end(), s.elementaryPid) == streamPids_.end())
        streamPids_.push_back(s.elementaryPid);
      pcr = value;
      changed = true;
    }
  }
  return changed;
}

}  // namespace demux
