// The router of every received table section: checks it, hands it to the
// handler of its table_id and files it in the section store.
#pragma once

#include <cstdint>
#include <span>

#include "tables/sections/SectionTag.h"
#include "tables/sections/TableContext.h"

namespace tables {

// Returns true when the section passed its checks and went to the store.
bool DispatchSection(TableContext& ctx, std::span<const std::uint8_t> section,
                     const SectionTag& tag);

// Files a section in the store (a no-op when its key is present already).
inline void StoreSection(SectionStore& store, std::span<const std::uint8_t> section,
                         const SectionTag& tag) {
  store.StoreSection(section, tag);
}

}  // namespace tables
