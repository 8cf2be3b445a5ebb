// Follows the multiplex's PAT and PMTs to learn which PID carries the PCR of
// the programme an elementary stream belongs to, so the clock can be slaved to
// the right programme even when its PCR has a PID of its own that nobody maps.
// Only sections with a correct CRC are used; the tables are read with the
// bounds-checked reader.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <utility>
#include <vector>

#include "demux/DemuxTypes.h"
#include "demux/SectionAssembler.h"

namespace demux {

class ProgramTables {
 public:
  static constexpr std::size_t kMaxPrograms = 64;

  ProgramTables();
  ~ProgramTables();

  bool Watches(std::uint16_t pid) const { return watch_[pid] != kNone; }

  // One packet's payload on a watched PID; `lost` when packets went missing
  // before it. True when the PCR PID of some stream changed.
  bool Push(std::uint16_t pid, std::span<const std::uint8_t> payload, bool unitStart, bool lost);

  // The PCR PID of the programme that lists `esPid`.
  std::optional<std::uint16_t> PcrPidOf(std::uint16_t esPid) const;

  // Forgets everything learnt (a tune).
  void Reset();

 private:
  enum class Watch : std::uint8_t { kNone, kPat, kPmt };
  using enum Watch;

  bool OnSection(std::uint16_t pid, std::span<const std::uint8_t> section);
  bool OnPat(std::span<const std::uint8_t> section);
  bool OnPmt(std::span<const std::uint8_t> section);
  SectionAssembler& AssemblerFor(std::uint16_t pid);

  std::vector<Watch> watch_;          // by PID
  std::vector<std::uint16_t> pcrOf_;  // by elementary-stream PID; kNoPid when unknown
  // The entries of watch_ and pcrOf_ ever set since the last reset, so a tune
  // clears those instead of both whole tables.
  std::vector<std::uint16_t> pmtPids_;
  std::vector<std::uint16_t> streamPids_;
  std::vector<std::pair<std::uint16_t, std::unique_ptr<SectionAssembler>>> assemblers_;
  std::size_t programs_ = 0;  // PMT PIDs watched
};

}  // namespace demux
