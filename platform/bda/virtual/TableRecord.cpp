#include "platform/bda/virtual/TableRecord.h"

#include <cstring>

#include "platform/bda/virtual/PacketFields.h"

namespace vtuner {

TableRecord::TableRecord(std::size_t byteLimit) : byteLimit_(byteLimit) {}

void TableRecord::Add(const std::uint8_t* packet, std::uint64_t index) {
  if (overflowed_ || finished_) return;
  const std::uint16_t pid = PacketPid(packet);
  if (pid == kNullPid) return;
  const unsigned control = packet[3];
  const bool unitStart = (packet[1] & 0x40) != 0;
  const bool payload = (control & 0x10) != 0;
  if (unitStart && payload) {
    // A unit starts here: a PES packet when its payload begins with the start
    // code prefix. Scrambled payloads cannot tell and are kept.
    std::size_t at = 4;
    if (control & 0x20) at += 1 + std::size_t{packet[4]};
    const bool pes = (control & 0xC0) == 0 && at + 3 <= kPacketSize && packet[at] == 0 &&
                     packet[at + 1] == 0 && packet[at + 2] == 1;
    inPes_.set(pid, pes);
  }
  if (!inPes_.test(pid)) {
    Store(packet, kPacketSize, index, false);
  } else if (PacketPcr(packet)) {
    Store(packet, kMarkSize, index, true);
  }
}

void TableRecord::Store(const std::uint8_t* bytes, std::size_t length, std::uint64_t index,
                        bool mark) {
  if (blockUsed_ + length > kBlockSize) {
    bytes_ += kBlockSize;
    blocks_.push_back(std::make_unique<std::uint8_t[]>(kBlockSize));
    blockUsed_ = 0;
  }
  if (entries_.size() == entries_.capacity()) bytes_ += entries_.capacity() * sizeof(Entry);
  if (bytes_ > byteLimit_) {
    overflowed_ = true;
    std::vector<Entry>().swap(entries_);
    std::vector<std::unique_ptr<std::uint8_t[]>>().swap(blocks_);
    return;
  }
  std::memcpy(blocks_.back().get() + blockUsed_, bytes, length);
  entries_.push_back(Entry{index, static_cast<std::uint32_t>(blocks_.size() - 1),
                           static_cast<std::uint32_t>(blockUsed_) | (mark ? kMarkBit : 0)});
  blockUsed_ += length;
}

TableRecord::Packet TableRecord::At(std::size_t i) const {
  const Entry& e = entries_[i];
  return Packet{e.index, blocks_[e.block].get() + (e.offset & ~kMarkBit),
                (e.offset & kMarkBit) == 0};
}

}  // namespace vtuner
