// Finds a capture's packets as it is read, through a bounded read-ahead: a
// packet is taken where a sync byte sits; out of step, a second sync byte one
// packet further on (or the capture's end) must confirm it first. Anything
// else is skipped. The same bytes always give the same packets, so every pass
// over a capture finds the packets of the first.
#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "platform/bda/virtual/Capture.h"

namespace vtuner {

class PacketSync {
 public:
  static constexpr std::size_t kReadAhead = 256 << 10;

  explicit PacketSync(std::shared_ptr<const Capture> capture, std::size_t readAhead = kReadAhead);

  // Back to the capture's start.
  void Rewind();

  // The next packets (at most `maxPackets`, at least one), whole and in step,
  // as they lie in the read-ahead; they stay there until Consume. Empty at the
  // capture's end and when the capture failed (see Failure).
  std::span<const std::uint8_t> Peek(std::size_t maxPackets);
  // Moves past the first `packets` packets Peek gave.
  void Consume(std::size_t packets);

  // Why the capture's bytes could not be read; empty while they can.
  const std::string& Failure() const { return failure_; }
  // Bytes skipped since the start because no packet was found in them.
  std::uint64_t SkippedBytes() const { return skipped_; }

 private:
  // Makes the read-ahead hold `need` bytes from the current offset.
  bool Fill(std::size_t need);

  std::shared_ptr<const Capture> capture_;
  std::vector<std::uint8_t> window_;
  std::uint64_t windowStart_ = 0;  // capture offset of window_[0]
  std::size_t windowLength_ = 0;
  std::uint64_t offset_ = 0;  // the next byte to look at
  bool inStep_ = false;       // the byte before offset_ ended a packet taken
  std::uint64_t skipped_ = 0;
  std::string failure_;
};

}  // namespace vtuner
