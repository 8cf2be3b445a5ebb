// The program-wide store of every accepted table section, kept in the order
// of the "PSIP.txt" dump: modulation, tuning space, physical channel, PID,
// table_id, version and section number.
//
// Key low word:  PID low byte << 24 | table_id << 16 | version << 8 | section_number
//                (0x0101 in place of version and number without the syntax indicator)
// Key high word: modulation (8 bits) << 24 | tuning space << 16 | physical << 8 | PID high byte
//
// Only the user-interface thread touches the store, so it has no lock.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "common/KeyedList.h"
#include "tables/sections/SectionTag.h"

namespace tables {

struct SectionRecord {
  std::vector<std::uint8_t> section;  // section_length + 3 bytes, byte for byte
  std::uint64_t arrival = 0;          // memory only: order of the latest receipt
};

class SectionStore {
 public:
  using List = common::KeyedList<SectionRecord>;

  static common::ListKey KeyOf(std::span<const std::uint8_t> section, const SectionTag& tag);

  // The tag fields kept in a record's key.
  static SectionTag TagOf(common::ListKey key);

  // Files a section unless a record with its key exists; either way notes the
  // receipt so that FindLatest sees the most recent one. True when stored.
  bool StoreSection(std::span<const std::uint8_t> section, const SectionTag& tag);

  // The most recently received record of this table_id and PID with the
  // tuning space, physical channel and modulation of `tag` (modulation as kept
  // in the key), for which accept(section) holds; null when none.
  template <class Accept>
  const SectionRecord* FindLatest(const SectionTag& tag, std::uint8_t tableId, std::uint16_t pid,
                                  Accept accept) const {
    const SectionRecord* best = nullptr;
    SectionTag where = tag;
    where.pid = pid;
    const std::int32_t high = HighWord(where);
    for (const auto& [key, record] : records_) {
      if (key.high != high) continue;
      if ((key.low >> 24) != (pid & 0xFFu) || ((key.low >> 16) & 0xFFu) != tableId) continue;
      if ((!best || record.arrival > best->arrival) && accept(record.section)) best = &record;
    }
    return best;
  }

  void Clear() { records_.Clear(); }
  std::size_t size() const { return records_.size(); }
  const List& Records() const { return records_; }

 private:
  static std::int32_t HighWord(const SectionTag& tag);

  List records_;
  std::uint64_t arrivals_ = 0;
};

}  // namespace tables
