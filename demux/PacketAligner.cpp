#include "demux/PacketAligner.h"

namespace demux {

void PacketAligner::Consume(std::size_t count) {
  if (count >= stageLen_) {
    stagePos_ += stageLen_;
    stageLen_ = 0;
    return;
  }
  std::memmove(stage_.data(), stage_.data() + count, stageLen_ - count);
  stageLen_ -= count;
  stagePos_ += count;
}

bool PacketAligner::FindSync() {
  constexpr std::size_t kSpan = (kConfirmPackets - 1) * kPacketSize;
  std::size_t i = 0;
  for (; i + kSpan < stageLen_; ++i) {
    bool confirmed = true;
    for (std::size_t k = 0; k < kConfirmPackets && confirmed; ++k) {
      confirmed = stage_[i + k * kPacketSize] == kSyncByte;
    }
    if (confirmed) {
      skipped_ += i;
      Consume(i);
      synced_ = true;
      return true;
    }
  }
  // Offsets below i were all refused; keep the rest for the next chunk.
  skipped_ += i;
  Consume(i);
  return false;
}

std::size_t PacketAligner::AlignedToEnd() const {
  for (std::size_t i = 0; i < stageLen_; ++i) {
    if ((stageLen_ - i) % kPacketSize != 0) continue;
    bool aligned = true;
    for (std::size_t k = i; k < stageLen_ && aligned; k += kPacketSize) {
      aligned = stage_[k] == kSyncByte;
    }
    if (aligned) return i;
  }
  return stageLen_;
}

}  // namespace demux
