// A transport-stream capture prepared for playback in a loop: the packets that
// carry a sync byte at their 188-byte position (anything else in the file is
// skipped), where each packet keeps its PCR, OPCR, PTS and DTS, how each PID's
// continuity counter must move on at the loop seam, and the loop length, so that
// timestamps stay continuous from one pass to the next.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "platform/bda/virtual/TsPacket.h"

namespace vtuner {

// Where a packet keeps the fields that move on with every pass; an offset of 0
// means the field is absent (no field can start at byte 0 of a packet).
struct PacketFields {
  std::uint16_t pid = 0;
  bool counted = false;  // its continuity counter is rewritten (not null, not reserved)
  // The first packet of its PID with discontinuity_indicator set: true for the
  // capture's start, false at the seam of later passes, where it is cleared.
  bool seamDiscontinuity = false;
  std::uint8_t pcr = 0;
  std::uint8_t opcr = 0;
  std::uint8_t pts = 0;
  std::uint8_t dts = 0;
};

// ATSC's 19.39 Mbit/s pace stands in when a capture has no usable PCR.
inline constexpr double kNominalBitsPerSecond = 19'392'658.0;

class Capture {
 public:
  // Analyses raw capture bytes. Never fails: a capture without packets simply
  // has PacketCount() == 0.
  static std::shared_ptr<const Capture> FromBytes(std::span<const std::uint8_t> bytes);
  // Reads a capture file; null and `error` set when it cannot be read.
  static std::shared_ptr<const Capture> Load(const std::filesystem::path& file, std::string* error);

  std::size_t PacketCount() const { return fields_.size(); }
  // The packets, PacketCount() * 188 bytes, as found in the capture.
  std::span<const std::uint8_t> Packets() const { return packets_; }
  const PacketFields& Fields(std::size_t index) const { return fields_[index]; }

  // How far one pass moves the clocks: 27 MHz for PCR, 90 kHz for PTS/DTS.
  // LoopLength27() is always a multiple of 300 so the two stay in step.
  std::uint64_t LoopLength27() const { return loopLength27_; }
  std::uint64_t LoopLength90() const { return loopLength27_ / 300; }
  // Added (mod 16) to a PID's continuity counter per pass.
  std::uint8_t CounterStep(std::uint16_t pid) const { return counterStep_[pid & kNullPid]; }
  // The PID whose PCR timed the loop, or -1 when the nominal rate was used.
  int PcrPid() const { return pcrPid_; }
  // Bytes skipped because they were not part of a synchronised packet.
  std::size_t SkippedBytes() const { return skippedBytes_; }

 private:
  Capture() = default;
  void Analyse(std::size_t index);
  void ComputeLoopLength();
  void ComputeCounterSteps();

  std::vector<std::uint8_t> packets_;
  std::vector<PacketFields> fields_;
  std::array<std::uint8_t, 8192> counterStep_{};
  std::uint64_t loopLength27_ = 0;
  int pcrPid_ = -1;
  std::size_t skippedBytes_ = 0;
};

}  // namespace vtuner
