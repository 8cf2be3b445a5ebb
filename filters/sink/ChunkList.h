// The chunk list: a ring of eight slots holding at most five live files, and
// its 4272-byte list file (little-endian).
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

namespace filters {

inline constexpr std::size_t kListFileSize = 4272;
inline constexpr int kListSlots = 8;
inline constexpr int kMaxLiveChunks = 5;
inline constexpr std::size_t kMaxPath = 260;  // UTF-16 units including the terminator
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
  std::int32_t newest = -1;
  std::int32_t oldest = 0;
  std::int32_t liveCount = 0;
  std::int32_t nextNumber = 0;
  std::array<ChunkSlot, kListSlots> slots{};

  static constexpr std::size_t SlotOf(std::int32_t index) {
    return static_cast<std::size_t>(index) % kListSlots;
  }
  ChunkSlot& Slot(std::int32_t index) { return slots[SlotOf(index)]; }
  const ChunkSlot& Slot(std::int32_t index) const { return slots[SlotOf(index)]; }
  bool IsLive(std::int32_t index) const {
    return liveCount > 0 && index >= oldest && index <= newest;
  }

  std::array<std::uint8_t, kListFileSize> Serialize() const;

  // Reads a list file. Returns nothing when the size is wrong or the copy is
  // inconsistent (indices, live count, slot states, sequence numbers, paths
  // without terminator): such a copy may have been caught half-rewritten.
  static std::optional<ChunkList> Parse(std::span<const std::uint8_t> bytes);
};

}  // namespace filters
