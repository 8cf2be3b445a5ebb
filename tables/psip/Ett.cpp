#include <algorithm>

#include "tables/psip/EttTable.h"
#include "tables/psip/PsipTables.h"
#include "tables/text/TextDecoding.h"

namespace tables {
namespace {

constexpr std::size_t kMinimumEttBytes = 18;
constexpr std::size_t kTextCapacity = 2048;

}  // namespace

bool OnEtt(TableContext& ctx, std::span<const std::uint8_t> section, const SectionTag& tag) {
  EttTable ett;
  if (section.size() < kMinimumEttBytes || !DecodeEtt(section, ett)) return false;
  const std::uint32_t etmId = ett.etmId;
  const auto sourceId = static_cast<std::uint16_t>(etmId >> 16);

  char16_t decoded[kTextCapacity];
  const std::size_t written = DecodeMultipleString16(decoded, ett.extendedText);
  const std::size_t length = written > 0 ? written - 1 : 0;

  auto lock = ctx.channels.Acquire();
  for (auto& [key, node] : ctx.channels) {
    if (node.record.locator.physical() != tag.physical || node.record.sourceId != sourceId) {
      continue;
    }
    node.texts.RemoveKey(EventTextKey(etmId));
    EventText text;
    text.version = ett.header.version;
    text.text.assign(decoded, decoded + std::min(length, kTextCapacity - 1));
    node.texts.Insert(EventTextKey(etmId), std::move(text));
  }
  return true;
}

}  // namespace tables
