// Cuts a byte stream that arrives in chunks of any size into aligned 188-byte
// transport packets.
//
// While in sync, packets are handed out straight from the caller's buffer; only
// a packet split between two chunks is copied (into the stage). When a packet
// does not begin with the sync byte, sync is lost and the aligner searches for
// an offset where three sync bytes follow one another 188 bytes apart before it
// hands out packets again. Every byte handed out lies inside a checked range.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <span>
#include <vector>

#include "demux/DemuxTypes.h"
#include "demux/TsPacket.h"

namespace demux {

class PacketAligner {
 public:
  // Sync bytes, 188 apart, that confirm an offset as packet start.
  static constexpr std::size_t kConfirmPackets = 3;

  PacketAligner() : stage_(kStageCapacity) {}

  // onPacket(PacketView packet, std::uint64_t bytePosition) for every packet.
  template <class OnPacket>
  void Push(std::span<const std::uint8_t> data, OnPacket&& onPacket) {
    while (!data.empty()) {
      data = synced_ ? PushSynced(data, onPacket) : PushSearching(data, onPacket);
    }
  }

  // End of input: packets still waiting for confirmation are handed out when
  // they line up with the end of the data; a partial packet is dropped.
  template <class OnPacket>
  void Drain(OnPacket&& onPacket) {
    if (!synced_) {
      const std::size_t start = AlignedToEnd();
      skipped_ += start;
      for (std::size_t k = start; k + kPacketSize <= stageLen_; k += kPacketSize) {
        onPacket(PacketView(stage_.data() + k, kPacketSize), stagePos_ + k);
      }
      if (start < stageLen_) synced_ = true;
    } else {
      skipped_ += stageLen_;
    }
    stageLen_ = 0;
  }

  // Forgets staged bytes; the next chunk is expected to start a packet (if it
  // does not, sync is searched for as usual).
  void Discard() {
    if (!synced_) skipped_ += stageLen_;
    stageLen_ = 0;
  }

  // Forgets staged bytes and searches for sync afresh.
  void Reset() {
    stageLen_ = 0;
    synced_ = false;
  }

  bool Synced() const { return synced_; }
  std::uint64_t BytesSkipped() const { return skipped_; }
  std::uint32_t SyncLosses() const { return syncLosses_; }
  // Input offset of the next byte Push will receive.
  std::uint64_t Position() const { return inputPos_; }

 private:
  static constexpr std::size_t kStageCapacity = 8 * kPacketSize;

  template <class OnPacket>
  std::span<const std::uint8_t> PushSynced(std::span<const std::uint8_t> data, OnPacket& onPacket) {
    std::size_t pos = 0;
    if (stageLen_ > 0) {
      pos = std::min(kPacketSize - stageLen_, data.size());
      Append(data.first(pos));
      inputPos_ += pos;
      if (stageLen_ < kPacketSize) return {};
      stageLen_ = 0;
      onPacket(PacketView(stage_.data(), kPacketSize), stagePos_);
      data = data.subspan(pos);
      pos = 0;
    }
    const std::size_t size = data.size();
    while (size - pos >= kPacketSize) {
      if (data[pos] != kSyncByte) return LoseSync(data, pos);
      onPacket(PacketView(data.data() + pos, kPacketSize), inputPos_ + pos);
      pos += kPacketSize;
    }
    if (pos < size) {
      if (data[pos] != kSyncByte) return LoseSync(data, pos);
      stagePos_ = inputPos_ + pos;
      Append(data.subspan(pos));
    }
    inputPos_ += size;
    return {};
  }

  template <class OnPacket>
  std::span<const std::uint8_t> PushSearching(std::span<const std::uint8_t> data,
                                              OnPacket& onPacket) {
    const std::size_t n = std::min(kStageCapacity - stageLen_, data.size());
    if (stageLen_ == 0) stagePos_ = inputPos_;
    Append(data.first(n));
    inputPos_ += n;
    while (FindSync()) {
      // Hand out the staged packets; stop if one of them lacks its sync byte.
      std::size_t k = 0;
      while (stageLen_ - k >= kPacketSize && stage_[k] == kSyncByte) {
        onPacket(PacketView(stage_.data() + k, kPacketSize), stagePos_ + k);
        k += kPacketSize;
      }
      Consume(k);
      if (stageLen_ > 0 && stage_[0] != kSyncByte) {
        synced_ = false;
        ++syncLosses_;
      }
      if (synced_) break;
    }
    return data.subspan(n);
  }

  std::span<const std::uint8_t> LoseSync(std::span<const std::uint8_t> data, std::size_t pos) {
    synced_ = false;
    ++syncLosses_;
    inputPos_ += pos;
    return data.subspan(pos);
  }

  void Append(std::span<const std::uint8_t> bytes) {
    std::memcpy(stage_.data() + stageLen_, bytes.data(), bytes.size());
    stageLen_ += bytes.size();
  }

  // Drops the first `count` staged bytes.
  void Consume(std::size_t count);
  // Searches the stage for a confirmed packet start; on success drops the bytes
  // before it and sets synced_. Otherwise drops every byte that can no longer
  // start a packet.
  bool FindSync();
  // The first offset from which the stage holds whole packets up to its end.
  std::size_t AlignedToEnd() const;

  std::vector<std::uint8_t> stage_;
  std::size_t stageLen_ = 0;
  std::uint64_t stagePos_ = 0;  // input offset of stage_[0]
  std::uint64_t inputPos_ = 0;
  std::uint64_t skipped_ = 0;
  std::uint32_t syncLosses_ = 0;
  bool synced_ = false;
};

}  // namespace demux
