#include "common/ByteReader.h"
#include "tables/psip/PsipTables.h"
#include "tables/sections/SectionHeader.h"

namespace tables {
namespace {

constexpr std::size_t kEntriesOffset = 11;
constexpr std::size_t kCrcBytes = 4;

struct MgtEntry {
  std::uint16_t tableType = 0;
  std::uint16_t pid = 0;
  std::uint8_t version = 0;
};

// Calls fn(entry) for each table entry; false when an entry runs past the CRC.
template <class Fn>
bool ForEachEntry(std::span<const std::uint8_t> section, Fn fn) {
  if (section.size() < kEntriesOffset + kCrcBytes) return false;
  common::ByteReader head(section.subspan(9, 2));
  const unsigned tablesDefined = head.U16();
  common::ByteReader r(
      section.subspan(kEntriesOffset, section.size() - kEntriesOffset - kCrcBytes));
  for (unsigned i = 0; i < tablesDefined; ++i) {
    MgtEntry e;
    e.tableType = r.U16();
    r.Bits(3);
    e.pid = static_cast<std::uint16_t>(r.Bits(13));
    r.Bits(3);
    e.version = static_cast<std::uint8_t>(r.Bits(5));
    r.U32();  // number_bytes
    r.Bits(4);
    r.Skip(static_cast<std::size_t>(r.Bits(12)));
    if (!r.Ok()) return false;
    fn(e);
  }
  return true;
}

bool IsEit(std::uint16_t type) {
  return type >= 0x0100 && type <= 0x017F;
}
bool IsEtt(std::uint16_t type) {
  return type == 0x0004 || (type >= 0x0200 && type <= 0x027F);
}

// Removes the events that an EIT of another version on this PID brought.
void PurgeStaleEvents(tuning::ChannelList& channels, std::uint8_t physical, const MgtEntry& e) {
  auto lock = channels.Acquire();
  for (auto& [key, node] : channels) {
    if (node.record.locator.physical() != physical) continue;
    node.events.RemoveIf([&](const common::ListKey&, const GuideEvent& event) {
      return event.sourcePid == e.pid && event.version != e.version;
    });
  }
}

}  // namespace

bool CheckMgt(std::span<const std::uint8_t> section) {
  const SectionHeader h = SectionHeader::Read(section);
  if (!h.currentNext || h.sectionLength < 36 || h.sectionLength > 4093 ||
      section.size() != h.sectionLength + 3u || h.sectionNumber != 0 || h.lastSectionNumber != 0) {
    return false;
  }
  const unsigned tablesDefined = static_cast<unsigned>(section[9]) << 8 | section[10];
  if (tablesDefined < 2 || tablesDefined > 370) return false;
  return ForEachEntry(section, [](const MgtEntry&) {});
}

bool OnMgt(TableContext& ctx, std::span<const std::uint8_t> section, const SectionTag& tag) {
  if (!CheckMgt(section)) return false;
  GraphTables& graph = ctx.graph;
  const SectionHeader h = SectionHeader::Read(section);
  if (!graph.mgtCopy.empty() && graph.mgtVersion == h.version) return true;

  graph.mgtVersion = h.version;
  graph.mgtCopy.assign(section.begin(), section.end());

  std::uint32_t eitCount = 0;
  {
    std::lock_guard<std::mutex> lock(graph.psiPids.lock);
    graph.psiPids.entries.Clear();
    graph.eitCount = 0;
    ForEachEntry(section, [&](const MgtEntry& e) {
      if (IsEtt(e.tableType)) {
        graph.psiPids.AddIfMissing(e.pid, kPidEtt);
      } else if (IsEit(e.tableType)) {
        ++eitCount;
        graph.psiPids.AddIfMissing(e.pid, kPidEit);
      }
    });
    graph.eitCount = eitCount;
  }
  // The channel-list lock is never held together with the PID-list lock.
  ForEachEntry(section, [&](const MgtEntry& e) {
    if (IsEit(e.tableType)) PurgeStaleEvents(ctx.channels, tag.physical, e);
  });

  auto lock = ctx.channels.Acquire();
  for (auto& [key, node] : ctx.channels) {
    if (node.record.locator.physical() == tag.physical) node.record.guideTableCount = eitCount;
  }
  return true;
}

}  // namespace tables
