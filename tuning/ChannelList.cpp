#include "tuning/ChannelList.h"

namespace tuning {

ChannelNode& ChannelList::InsertSorted(const ChannelRecord& record) {
  Lock lock(mutex_);
  ChannelNode node;
  node.record = record;
  return nodes_.Insert(KeyFor(record.locator.key1, record.locator.key2), std::move(node));
}

ChannelNode* ChannelList::FindByKeys(std::uint32_t key1, std::uint32_t key2) {
  Lock lock(mutex_);
  return nodes_.Find(KeyFor(key1, key2));
}

ChannelNode* ChannelList::FindByTransport(std::uint16_t transportStreamId,
                                          std::uint16_t programNumber) {
  Lock lock(mutex_);
  for (auto& [key, node] : nodes_) {
    if (node.record.transportStreamId == transportStreamId &&
        node.record.programNumber == programNumber) {
      return &node;
    }
  }
  return nullptr;
}

PlaybackInfo ChannelList::LookupPlayback(std::uint32_t key1, std::uint32_t key2) {
  Lock lock(mutex_);
  PlaybackInfo info;
  if (const ChannelNode* node = nodes_.Find(KeyFor(key1, key2))) {
    info.videoStreamType = node->record.videoStreamType;
    info.audioStreamType = node->record.audioStreamType;
    info.videoPid = node->record.videoPid;
    info.audioPid = node->record.audioPid;
    info.pcrPid = node->record.pcrPid;
    return info;
  }
  // ATSC default assignment: the minor channel's streams sit at 16 (minor - 1)
  // + 0x31 (video, also the PCR) and + 0x34 (audio).
  const std::int32_t minor = static_cast<std::int32_t>((key1 >> 8) & 0xFFFF);
  info.videoPid = 16 * (minor - 1) + 0x31;
  info.audioPid = 16 * (minor - 1) + 0x34;
  info.pcrPid = info.videoPid;
  return info;
}

void ChannelList::Remove(ChannelNode* node) {
  Lock lock(mutex_);
  nodes_.Remove(node);
}

void ChannelList::Clear() {
  Lock lock(mutex_);
  nodes_.Clear();
}

}  // namespace tuning
