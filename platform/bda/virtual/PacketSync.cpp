#include "platform/bda/virtual/PacketSync.h"

#include <algorithm>
#include <cstring>

#include "platform/bda/virtual/TsPacket.h"

namespace vtuner {

// The read-ahead never needs to be larger than the capture: a short capture
// (a test's or a fuzzer's) gets a window of its own size, not a megabyte.
PacketSync::PacketSync(std::shared_ptr<const Capture> capture, std::size_t readAhead)
    : capture_(std::move(capture)),
      window_(
          std::max(static_cast<std::size_t>(std::min<std::uint64_t>(readAhead, capture_->Size())),
                   kPacketSize + 1)) {}

void PacketSync::Rewind() {
  offset_ = 0;
  inStep_ = false;
  skipped_ = 0;
}

bool PacketSync::Fill(std::size_t need) {
  if (offset_ < windowStart_ || offset_ > windowStart_ + windowLength_) {
    windowStart_ = offset_;
    windowLength_ = 0;
  }
  if (windowStart_ + windowLength_ - offset_ >= need) return true;
  // Keep what is left, then read as much as fits.
  const std::size_t kept = static_cast<std::size_t>(windowStart_ + windowLength_ - offset_);
  std::memmove(window_.data(), window_.data() + (offset_ - windowStart_), kept);
  windowStart_ = offset_;
  windowLength_ = kept;
  const std::uint64_t left = capture_->Size() - (windowStart_ + kept);
  const std::size_t more =
      static_cast<std::size_t>(std::min<std::uint64_t>(window_.size() - kept, left));
  if (!capture_->ReadAt(windowStart_ + kept, std::span(window_).subspan(kept, more), &failure_))
    return false;
  windowLength_ += more;
  return windowLength_ >= need;
}

std::span<const std::uint8_t> PacketSync::Peek(std::size_t maxPackets) {
  const std::uint64_t size = capture_->Size();
  if (!failure_.empty() || maxPackets == 0) return {};
  // The first packet, past anything that does not start one.
  for (;;) {
    const std::uint64_t remaining = size - offset_;
    if (remaining < kPacketSize) {
      skipped_ += remaining;  // a torn packet at the end
      offset_ = size;
      return {};
    }
    const std::size_t need = remaining == kPacketSize ? kPacketSize : kPacketSize + 1;
    if (!Fill(need)) return {};
    const std::uint8_t* at = window_.data() + (offset_ - windowStart_);
    const bool confirmed = remaining == kPacketSize || at[kPacketSize] == kSyncByte;
    if (at[0] == kSyncByte && (inStep_ || confirmed)) break;
    ++offset_;
    ++skipped_;
    inStep_ = false;
  }
  // Then those that follow in step, as far as the read-ahead holds them and
  // the byte after them.
  const std::size_t start = static_cast<std::size_t>(offset_ - windowStart_);
  std::size_t count = 1;
  for (std::size_t at = start + kPacketSize; count < maxPackets; at += kPacketSize, ++count) {
    const std::uint64_t remaining = size - (windowStart_ + at);
    if (remaining < kPacketSize) break;
    const std::size_t need = remaining == kPacketSize ? kPacketSize : kPacketSize + 1;
    if (windowLength_ - at < need || window_[at] != kSyncByte) break;
  }
  return std::span<const std::uint8_t>(window_).subspan(start, count * kPacketSize);
}

void PacketSync::Consume(std::size_t packets) {
  if (packets == 0) return;
  offset_ += packets * kPacketSize;
  inStep_ = true;
}

}  // namespace vtuner
