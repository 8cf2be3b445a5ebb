// Plays a capture in an endless loop. The first pass gives the capture's
// packets unchanged; every later pass moves PCR, OPCR, PTS and DTS on by the
// loop length (wrapping as the fields do) and each PID's continuity counter by
// its step, and clears a discontinuity indicator that the capture's first
// packet of a PID carries, so a receiver sees one continuous stream.
#pragma once

#include <memory>

#include "platform/bda/virtual/Capture.h"
#include "platform/bda/virtual/PacketSource.h"

namespace vtuner {

class CaptureLoop : public PacketSource {
 public:
  explicit CaptureLoop(std::shared_ptr<const Capture> capture);

  std::size_t Read(std::span<std::uint8_t> out) override;

  // The pass the next packet belongs to (0 for the first) and its index in it.
  std::uint64_t Pass() const { return pass_; }
  std::size_t NextPacket() const { return next_; }

 private:
  void StartPass(std::uint64_t pass);
  void Patch(std::uint8_t* packet, const PacketFields& fields) const;

  std::shared_ptr<const Capture> capture_;
  std::uint64_t pass_ = 0;
  std::size_t next_ = 0;
  std::uint64_t pcrShift_ = 0;  // mod 2^33 * 300
  std::uint64_t ptsShift_ = 0;  // mod 2^33
  unsigned passMod16_ = 0;
};

}  // namespace vtuner
