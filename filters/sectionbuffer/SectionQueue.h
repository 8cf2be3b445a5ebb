// The section buffer's queue: up to 256 received sections in arrival order,
// each a task-allocated copy of the section with the tag that says where it
// was received. The owner guards it with its lock.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>

#include "platform/com/Types.h"

namespace filters {

inline constexpr std::size_t kQueueCapacity = 256;

struct SectionTag {
  LONG tuningSpaceType = 0;
  LONG physicalChannel = 0;
  LONG modulation = 0;
  LONG program = -1;
  LONG pid = 0;
};

struct QueuedSection {
  BYTE* bytes = nullptr;  // CoTaskMemAlloc'd
  LONG length = 0;
  SectionTag tag;
};

class SectionQueue {
 public:
  SectionQueue() = default;
  ~SectionQueue() { Clear(); }
  SectionQueue(const SectionQueue&) = delete;
  SectionQueue& operator=(const SectionQueue&) = delete;

  std::size_t Size() const { return count_; }
  bool Full() const { return count_ == kQueueCapacity; }

  // Copies the section into a new task-allocated buffer and appends it; false
  // (nothing kept) when the queue is full or the copy cannot be allocated.
  bool Push(std::span<const std::uint8_t> section, const SectionTag& tag);
  // Removes the oldest entry and hands it over (the caller owns its bytes);
  // false when the queue is empty.
  bool Pop(QueuedSection* out);
  // Frees every queued section.
  void Clear();

 private:
  std::array<QueuedSection, kQueueCapacity> entries_{};
  std::size_t head_ = 0;
  std::size_t count_ = 0;
};

}  // namespace filters
