#include "common/ByteReader.h"
#include "tables/psip/PsipTables.h"

namespace tables {
namespace {

constexpr std::size_t kMinimumSttBytes = 20;

}  // namespace

void UpdateFromStt(tuning::ChannelList& channels, std::uint8_t physical, std::uint32_t systemTime,
                   std::uint8_t utcOffset) {
  auto lock = channels.Acquire();
  for (auto& [key, node] : channels) {
    if (node.record.locator.physical() != physical) continue;
    node.record.utcOffset = utcOffset;
    node.record.systemTime = systemTime;
  }
}

bool OnStt(TableContext& ctx, std::span<const std::uint8_t> section, const SectionTag& tag) {
  if (section.size() < kMinimumSttBytes) return false;
  common::ByteReader r(section.subspan(9, 5));
  const std::uint32_t systemTime = r.U32();
  const std::uint8_t utcOffset = r.U8();
  ctx.graph.sttTime = systemTime;
  UpdateFromStt(ctx.channels, tag.physical, systemTime, utcOffset);
  return true;
}

}  // namespace tables
