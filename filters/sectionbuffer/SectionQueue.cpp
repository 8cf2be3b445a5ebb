#include "filters/sectionbuffer/SectionQueue.h"

#include <cstring>

#include "platform/com/TaskMemory.h"

namespace filters {

bool SectionQueue::Push(std::span<const std::uint8_t> section, const SectionTag& tag) {
  if (Full()) return false;
  auto* copy = static_cast<BYTE*>(CoTaskMemAlloc(section.empty() ? 1 : section.size()));
  if (copy == nullptr) return false;
  if (!section.empty()) std::memcpy(copy, section.data(), section.size());
  QueuedSection& entry = entries_[(head_ + count_) % kQueueCapacity];
  entry.bytes = copy;
  entry.length = static_cast<LONG>(section.size());
  entry.tag = tag;
  ++count_;
  return true;
}

bool SectionQueue::Pop(QueuedSection* out) {
  if (count_ == 0) return false;
  QueuedSection& entry = entries_[head_];
  *out = entry;
  entry = QueuedSection();
  head_ = (head_ + 1) % kQueueCapacity;
  --count_;
  return true;
}

void SectionQueue::Clear() {
  QueuedSection entry;
  while (Pop(&entry))
    CoTaskMemFree(entry.bytes);
  head_ = 0;
}

}  // namespace filters
