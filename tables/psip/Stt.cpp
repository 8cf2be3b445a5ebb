#include "tables/psip/EttTable.h"
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
  SttTable stt;
  if (section.size() < kMinimumSttBytes || !DecodeStt(section, stt)) return false;
  ctx.graph.sttTime = stt.systemTime;
  UpdateFromStt(ctx.channels, tag.physical, stt.systemTime, stt.gpsUtcOffset);
  return true;
}

}  // namespace tables
