// Plays a capture in an endless loop, reading it as it goes. The first pass
// gives the capture's packets unchanged and learns the loop's timing; every
// later pass moves PCR, OPCR, PTS and DTS on by the loop length (wrapping as
// the fields do) and each PID's continuity counter by its step, and clears a
// discontinuity indicator that the pass's first packet of a PID carries, so a
// receiver sees one continuous stream.
//
// A capture that cannot be read any more (its file shrank or was removed)
// ends the loop: reads give nothing and Failure() says why.
#pragma once

#include <bitset>
#include <memory>
#include <optional>
#include <string>

#include "platform/bda/virtual/Capture.h"
#include "platform/bda/virtual/LoopTiming.h"
#include "platform/bda/virtual/PacketSource.h"
#include "platform/bda/virtual/PacketSync.h"
#include "platform/bda/virtual/TableRecord.h"

namespace vtuner {

class CaptureLoop : public PacketSource {
 public:
  explicit CaptureLoop(std::shared_ptr<const Capture> capture);

  std::size_t Read(std::span<std::uint8_t> out) override;
  std::string Failure() const override { return failure_; }

  // Why ReadUntil gave fewer packets than fit.
  enum class Halt {
    kNone,     // `out` is full
    kTime,     // the next packet's stream time reaches the limit
    kPassEnd,  // the next packet starts a new pass
    kEnded,    // the capture holds no packets or failed
  };
  // What ReadUntil does at the end of a pass.
  enum class PassEnd {
    kRunOn,         // goes on into the next pass
    kStop,          // halts before it
    kCrossThisOne,  // goes past the pass end it stands at now, halts at later ones
  };
  // Read, halting at pass ends as `passEnd` says and before a packet whose
  // stream time (see TimeOf) is `until` or later.
  std::size_t ReadUntil(std::span<std::uint8_t> out, std::uint64_t until, PassEnd passEnd,
                        Halt* halt);

  // Makes the later passes carry only the tables and the clock, played from
  // a record of the first pass held in memory (at most `byteLimit` bytes, else
  // they are read from the capture in full as without the call): no null
  // packets and no PES packets, of those with a PCR none at all but the clock
  // stops as in the full pass. Before the first read.
  void KeepTablesOnly(std::size_t byteLimit);

  // The pass the next packet belongs to (0 for the first) and its index in it.
  std::uint64_t Pass() const { return pass_; }
  std::uint64_t NextPacket() const { return next_; }
  // The first pass's timing, complete once that pass is.
  const LoopTiming& Timing() const { return timing_; }
  std::uint64_t SkippedBytes() const { return sync_.SkippedBytes(); }

  // The stream time of a packet at `index` of pass `pass`, in 27 MHz ticks
  // from the capture's first PCR and continued across passes by the loop
  // length; only packets of the PCR PID that carry a PCR have one. While no
  // PCR has been seen, or when the PCRs cannot time the loop, every packet has
  // one at the nominal rate.
  std::optional<std::uint64_t> TimeOf(const std::uint8_t* packet, std::uint64_t pass,
                                      std::uint64_t index) const;

 private:
  void StartPass();
  void Patch(std::uint8_t* packet);
  bool Replaying() const {
    return pass_ > 0 && record_ && record_->Usable() && record_->Size() > 0;
  }

  std::shared_ptr<const Capture> capture_;
  PacketSync sync_;
  LoopTiming timing_;
  std::uint64_t pass_ = 0;
  std::uint64_t next_ = 0;
  bool passEnded_ = false;
  std::uint64_t pcrShift_ = 0;  // mod 2^33 * 300
  std::uint64_t ptsShift_ = 0;  // mod 2^33
  unsigned passMod16_ = 0;
  std::bitset<8192> seenInPass_;  // PIDs whose first counted packet of the pass went by
  std::string failure_;
  std::unique_ptr<TableRecord> record_;
  std::size_t recordNext_ = 0;  // the record's next entry in a later pass
};

}  // namespace vtuner
