// Feeds a run of table sections through DispatchSection with the whole PSIP
// and guide path behind it, then builds the now-playing record and both dumps.
//
// Input: records of [tag byte][length high][length low][section bytes]. The
// tag byte picks the physical channel (low 2 bits), the tuning space (bit 2),
// the PID class (bits 3-5) and whether a scan runs (bit 6).
#include <cstddef>
#include <cstdint>
#include <span>

#include "tables/dump/TableDump.h"
#include "tables/guide/GuideStore.h"
#include "tables/sections/Dispatch.h"

namespace {

constexpr std::uint16_t kPids[8] = {0x0000, 0x1FFB, 0x0030, 0x1D00, 0x1E00, 0x0012, 0x0040, 0x1D01};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  tables::SectionStore store;
  tuning::ChannelList channels;
  tables::GraphTables graph;
  tables::TableContext ctx{store, channels, graph};

  std::span<const std::uint8_t> input(data, size);
  int sections = 0;
  while (input.size() >= 3 && sections < 64) {
    const std::uint8_t control = input[0];
    const std::size_t length = static_cast<std::size_t>(input[1]) << 8 | input[2];
    input = input.subspan(3);
    const std::size_t take = length < input.size() ? length : input.size();
    tables::SectionTag tag;
    tag.physical = static_cast<std::uint8_t>(1 + (control & 0x03));
    tag.tuningSpace = (control & 0x04) ? 1 : 0;
    tag.modulation = (control & 0x04) ? 0x04 : 0x01;
    tag.pid = kPids[(control >> 3) & 0x07];
    graph.scanRunning = (control & 0x40) ? 1 : 0;
    tables::DispatchSection(ctx, input.first(take), tag);
    input = input.subspan(take);
    ++sections;
  }

  tables::NowPlayingInfo info;
  for (auto& [key, node] : channels) {
    tables::BuildNowPlaying(channels, info, node.key1(), node.key2(), 50,
                            static_cast<std::int64_t>(1'400'000'000) + 315964800);
  }
  const std::u16string guide = tables::GuideText(channels);
  const std::string psip = tables::SectionStoreText(store);
  return guide.empty() && psip.empty() ? 0 : 0;
}
