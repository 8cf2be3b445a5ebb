// The chunk list: a ring of eight slots holding at most five live files, and
// its 4272-byte list file (little-endian). A wider ring (the stream-buffer
// engine's backing files) keeps the layout with more slots: three more than
// its live files, the file growing by one slot record per slot.
//
// Entry indices count up from 0; an entry lives in slot index mod 8. The
// sequence number given to an entry equals its index (the next number starts
// at 0), so writer and reader find the same slot either way.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace filters {

inline constexpr std::size_t kListFileSize = 4272;
inline constexpr int kListSlots = 8;
inline constexpr int kMaxLiveChunks = 5;
inline constexpr int kSpareSlots = kListSlots - kMaxLiveChunks;
inline constexpr int kMaxListSlots = 64;      // the widest ring a list file may hold
inline constexpr std::size_t kMaxPath = 260;  // UTF-16 units including the terminator
inline constexpr std::size_t kListSlotSize = 12 + kMaxPath * 2;  // one slot record in the file
inline constexpr std::int32_t kSlotLive = 2;
inline constexpr std::int32_t kSlotFree = 0;

struct ChunkSlot {
  std::int32_t state = kSlotFree;
  std::int32_t keep = 0;  // 1: named by the caller, never deleted by the writer
  std::int32_t sequence = 0;
  std::array<char16_t, kMaxPath> path{};

  std::u16string_view Path() const;
};

struct ChunkList {
  ChunkList() : slots(kListSlots) {}
  // A ring for `liveChunks` live files (1 to kMaxListSlots - kSpareSlots).
  explicit ChunkList(int liveChunks) : slots(static_cast<std::size_t>(liveChunks + kSpareSlots)) {}

  std::int32_t newest = -1;
  std::int32_t oldest = 0;
  std::int32_t liveCount = 0;
  std::int32_t nextNumber = 0;
  std::vector<ChunkSlot> slots;

  int MaxLive() const { return static_cast<int>(slots.size()) - kSpareSlots; }
  std::size_t SlotOf(std::int32_t index) const {
    return static_cast<std::size_t>(index) % slots.size();
  }
  ChunkSlot& Slot(std::int32_t index) { return slots[SlotOf(index)]; }
  const ChunkSlot& Slot(std::int32_t index) const { return slots[SlotOf(index)]; }
  bool IsLive(std::int32_t index) const {
    return liveCount > 0 && index >= oldest && index <= newest;
  }

  std::vector<std::uint8_t> Serialize() const;

  // Reads a list file. Returns nothing when the size is wrong or the copy is
  // inconsistent (indices, live count, slot states, sequence numbers, paths
  // without terminator): such a copy may have been caught half-rewritten.
  // The ring's width follows from the size.
  static std::optional<ChunkList> Parse(std::span<const std::uint8_t> bytes);
};

}  // namespace filters
