#include "demux/ProgramTables.h"

#include "common/ByteReader.h"
#include "common/Crc32.h"

namespace demux {

namespace {

constexpr std::uint16_t kNoPid = 0xFFFF;
constexpr std::uint8_t kPatTableId = 0x00;
constexpr std::uint8_t kPmtTableId = 0x02;

// The fields of a long-form section between its 8-byte header and the CRC;
// an empty reader with the error flag when the section is not one.
common::ByteReader Body(std::span<const std::uint8_t> section, std::uint8_t tableId) {
  common::ByteReader r(section);
  if (section.size() < 12 || section[0] != tableId || (section[1] & 0x80) == 0 ||
      common::Crc32Mpeg2(section) != 0) {
    r.SetError();
    return r;
  }
  r.Skip(8);
  return r.Sub(section.size() - 12);
}

}  // namespace

ProgramTables::ProgramTables() : watch_(kPidCount, kNone), pcrOf_(kPidCount, kNoPid) {
  watch_[0] = kPat;
}

ProgramTables::~ProgramTables() = default;

void ProgramTables::Reset() {
  std::fill(watch_.begin(), watch_.end(), kNone);
  std::fill(pcrOf_.begin(), pcrOf_.end(), kNoPid);
  watch_[0] = kPat;
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
  common::ByteReader r = Body(section, kPatTableId);
  while (r.Ok() && r.Remaining() >= 4) {
    const std::uint16_t program = r.U16();
    const auto pid = static_cast<std::uint16_t>(r.U16() & kMaxPid);
    if (program == 0 || pid == 0 || watch_[pid] != kNone) continue;  // network PID, known
    if (programs_ == kMaxPrograms) break;
    watch_[pid] = kPmt;
    ++programs_;
  }
  return false;
}

bool ProgramTables::OnPmt(std::span<const std::uint8_t> section) {
  common::ByteReader r = Body(section, kPmtTableId);
  const auto pcrPid = static_cast<std::uint16_t>(r.U16() & kMaxPid);
  r.Skip(r.U16() & 0x0FFF);  // program_info
  bool changed = false;
  while (r.Ok() && r.Remaining() >= 5) {
    r.U8();  // stream_type
    const auto esPid = static_cast<std::uint16_t>(r.U16() & kMaxPid);
    r.Skip(r.U16() & 0x0FFF);  // ES_info
    if (!r.Ok()) break;
    // A programme without PCR (PID 0x1FFF) says nothing about the clock.
    const std::uint16_t value = pcrPid == kNullPid ? kNoPid : pcrPid;
    if (pcrOf_[esPid] != value) {
      pcrOf_[esPid] = value;
      changed = true;
    }
  }
  return changed;
}

}  // namespace demux
