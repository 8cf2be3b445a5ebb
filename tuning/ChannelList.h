// ChannelList: every virtual channel the program knows, sorted by key 2
// (major) then key 1 (physical | minor << 8), guarded by one process-wide lock.
#pragma once

#include <cstdint>
#include <mutex>

#include "common/KeyedList.h"
#include "tuning/ChannelRecord.h"
#include "tuning/GuideRecords.h"

namespace tuning {

// A channel in the list: the stored record and the run-time fields that are
// cleared on creation and on load.
struct ChannelNode {
  ChannelRecord record;
  GuideEventList events;
  GuideEvent* eventCursor = nullptr;
  EventTextList texts;
  std::uintptr_t treeItem = 0;  // item of the "Channels" tree, 0 = not shown

  std::uint32_t key1() const { return record.locator.key1; }
  std::uint32_t key2() const { return record.locator.key2; }
};

// Playback data of a channel: what the demultiplexer is mapped with.
struct PlaybackInfo {
  std::uint16_t videoStreamType = 0;
  std::uint16_t audioStreamType = 0;
  std::int32_t videoPid = -1;
  std::int32_t audioPid = -1;
  std::int32_t pcrPid = -1;
};

class ChannelList {
 public:
  using Lock = std::unique_lock<std::recursive_mutex>;

  ChannelList() = default;
  ChannelList(const ChannelList&) = delete;
  ChannelList& operator=(const ChannelList&) = delete;

  // The channel-list lock. Walks hold it from First() to the last Next().
  Lock Acquire() { return Lock(mutex_); }
  std::recursive_mutex& Mutex() { return mutex_; }

  // Links a new channel at its place in the order and returns it. The caller
  // makes sure no channel with the same keys exists.
  ChannelNode& InsertSorted(const ChannelRecord& record);

  ChannelNode* FindByKeys(std::uint32_t key1, std::uint32_t key2);
  ChannelNode* FindByTransport(std::uint16_t transportStreamId, std::uint16_t programNumber);

  // The channel's PIDs, or the ATSC default assignment for its minor number
  // when no channel has both keys.
  PlaybackInfo LookupPlayback(std::uint32_t key1, std::uint32_t key2);

  void Remove(ChannelNode* node);
  void Clear();

  // Shared-cursor walk; the cursor is past the returned node, so it may be removed.
  ChannelNode* First() { return nodes_.First(); }
  ChannelNode* Next() { return nodes_.Next(); }

  bool empty() const { return nodes_.empty(); }
  std::size_t size() const { return nodes_.size(); }
  auto begin() { return nodes_.begin(); }
  auto end() { return nodes_.end(); }

  static common::ListKey KeyFor(std::uint32_t key1, std::uint32_t key2) {
    return {key1, static_cast<std::int32_t>(key2)};
  }

 private:
  std::recursive_mutex mutex_;
  common::KeyedList<ChannelNode> nodes_;
};

}  // namespace tuning
