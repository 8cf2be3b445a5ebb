#include "tables/sections/Dispatch.h"

#include "common/TsConstants.h"
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

  const std::uint8_t tableId = SectionHeader::Read(section).tableId;
  bool keep = true;
  switch (tableId) {
    case common::kPatTableId:
      keep = CheckPat(section);
      if (keep) AddPatPids(section, ctx.graph.psiPids);
      break;
    case common::kSdtActualTableId:
    case common::kSdtOtherTableId:
      keep = SectionLength(section) <= 1021;
      break;
    case common::kMgtTableId:
      keep = OnMgt(ctx, section, tag);
      break;
    case common::kTvctTableId:
    case common::kCvctTableId:
      keep = OnVct(ctx, section, tag);
      break;
    case common::kPsipEitTableId:
      keep = OnEit(ctx, section, tag);
      break;
    case common::kEttTableId:
      keep = OnEtt(ctx, section, tag);
      break;
    case common::kSttTableId:
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
