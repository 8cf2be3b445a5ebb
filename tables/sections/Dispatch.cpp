#include "tables/sections/Dispatch.h"

#include "tables/dvb/DvbEit.h"
#include "tables/psip/PsipTables.h"
#include "tables/sections/Pat.h"
#include "tables/sections/SectionHeader.h"

namespace tables {

bool DispatchSection(TableContext& ctx, std::span<const std::uint8_t> section,
                     const SectionTag& tag) {
  // A section shorter than its header or not exactly section_length + 3 bytes
  // is dropped before anything reads it.
  if (section.size() < 3 || section.size() != SectionLength(section) + 3u) return false;

  const std::uint8_t tableId = section[0];
  bool keep = true;
  switch (tableId) {
    case 0x00:
      keep = CheckPat(section);
      if (keep) AddPatPids(section, ctx.graph.psiPids);
      break;
    case 0x42:
    case 0x46:
      keep = SectionLength(section) <= 1021;
      break;
    case 0xC7:
      keep = OnMgt(ctx, section, tag);
      break;
    case 0xC8:
    case 0xC9:
      keep = OnVct(ctx, section, tag);
      break;
    case 0xCB:
      keep = OnEit(ctx, section, tag);
      break;
    case 0xCC:
      keep = OnEtt(ctx, section, tag);
      break;
    case 0xCD:
      keep = OnStt(ctx, section, tag);
      break;
    default:
      if (IsDvbEitTable(tableId) && CheckDvbEit(section)) {
        AddDvbEitEvents(section, tag, ctx.channels);
      }
      break;
  }
  if (!keep) return false;
  StoreSection(ctx.sections, section, tag);
  return true;
}

}  // namespace tables
