#include "filters/sink/ChunkList.h"

#include <limits>

#include "common/ByteReader.h"
#include "common/Utf16.h"

namespace filters {
namespace {

void PutLe32(std::uint8_t* out, std::int32_t value) {
  const auto v = static_cast<std::uint32_t>(value);
  for (int i = 0; i < 4; ++i)
    out[i] = static_cast<std::uint8_t>(v >> (8 * i));
}

constexpr std::size_t kHeaderSize = 16;
constexpr std::size_t kSlotSize = kListSlotSize;
static_assert(kHeaderSize + kListSlots * kSlotSize == kListFileSize);
static_assert(12 + kMaxPath * 2 == kSlotSize);

}  // namespace

std::u16string_view ChunkSlot::Path() const {
  return common::FieldView(path);
}

std::vector<std::uint8_t> ChunkList::Serialize() const {
  std::vector<std::uint8_t> out(kHeaderSize + kSlotSize * slots.size());
  PutLe32(&out[0], newest);
  PutLe32(&out[4], oldest);
  PutLe32(&out[8], liveCount);
  PutLe32(&out[12], nextNumber);
  for (std::size_t k = 0; k < slots.size(); ++k) {
    std::uint8_t* slot = &out[kHeaderSize + kSlotSize * k];
    PutLe32(slot + 0, slots[k].state);
    PutLe32(slot + 4, slots[k].keep);
    PutLe32(slot + 8, slots[k].sequence);
    for (std::size_t c = 0; c < kMaxPath; ++c) {
      slot[12 + 2 * c] = static_cast<std::uint8_t>(slots[k].path[c]);
      slot[13 + 2 * c] = static_cast<std::uint8_t>(slots[k].path[c] >> 8);
    }
  }
  return out;
}

std::optional<ChunkList> ChunkList::Parse(std::span<const std::uint8_t> bytes) {
  if (bytes.size() < kListFileSize || (bytes.size() - kHeaderSize) % kSlotSize != 0 ||
      bytes.size() > kHeaderSize + kMaxListSlots * kSlotSize) {
    return std::nullopt;
  }
  common::ByteReader reader(bytes);
  ChunkList list(static_cast<int>((bytes.size() - kHeaderSize) / kSlotSize) - kSpareSlots);
  list.newest = static_cast<std::int32_t>(reader.Le32());
  list.oldest = static_cast<std::int32_t>(reader.Le32());
  list.liveCount = static_cast<std::int32_t>(reader.Le32());
  list.nextNumber = static_cast<std::int32_t>(reader.Le32());
  for (auto& slot : list.slots) {
    slot.state = static_cast<std::int32_t>(reader.Le32());
    slot.keep = static_cast<std::int32_t>(reader.Le32());
    slot.sequence = static_cast<std::int32_t>(reader.Le32());
    for (auto& c : slot.path)
      c = static_cast<char16_t>(reader.Le16());
  }
  if (!reader.Ok()) return std::nullopt;

  // Indices: live entries are exactly oldest..newest.
  if (list.oldest < 0 || list.newest < -1 || list.liveCount < 0 ||
      list.liveCount > list.MaxLive() || list.newest == std::numeric_limits<std::int32_t>::max()) {
    return std::nullopt;
  }
  if (static_cast<std::int64_t>(list.newest) - list.oldest + 1 != list.liveCount) {
    return std::nullopt;
  }
  if (list.nextNumber != list.newest + 1) return std::nullopt;
  for (std::size_t k = 0; k < list.slots.size(); ++k) {
    const ChunkSlot& slot = list.slots[k];
    // The entry index that would occupy slot k inside the live range, if any.
    std::int32_t index = -1;
    for (std::int32_t i = list.oldest; i <= list.newest; ++i) {
      if (list.SlotOf(i) == k) index = i;
    }
    if (index >= 0) {
      if (slot.state != kSlotLive || slot.sequence != index || (slot.keep != 0 && slot.keep != 1) ||
          common::FieldLength(slot.path) >= kMaxPath) {
        return std::nullopt;
      }
    } else if (slot.state != kSlotFree) {
      return std::nullopt;
    }
  }
  return list;
}

}  // namespace filters
