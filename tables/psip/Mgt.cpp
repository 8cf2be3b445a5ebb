#include "tables/psip/MgtTable.h"
#include "tables/psip/PsipTables.h"

namespace tables {
namespace {

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

bool CheckMgt(std::span<const std::uint8_t> section, const MgtTable& mgt, bool decoded) {
  const SectionHeader& h = mgt.header;
  if (!h.currentNext || h.sectionLength < 36 || h.sectionLength > 4093 ||
      section.size() != h.sectionLength + 3u || h.sectionNumber != 0 || h.lastSectionNumber != 0) {
    return false;
  }
  if (mgt.tablesDefined < 2 || mgt.tablesDefined > 370) return false;
  return decoded;
}

}  // namespace

bool CheckMgt(std::span<const std::uint8_t> section) {
  MgtTable mgt;
  const bool decoded = DecodeMgt(section, mgt);
  return CheckMgt(section, mgt, decoded);
}

bool OnMgt(TableContext& ctx, std::span<const std::uint8_t> section, const SectionTag& tag) {
  MgtTable mgt;
  const bool decoded = DecodeMgt(section, mgt);
  if (!CheckMgt(section, mgt, decoded)) return false;
  GraphTables& graph = ctx.graph;
  if (!graph.mgtCopy.empty() && graph.mgtVersion == mgt.header.version) return true;

  graph.mgtVersion = mgt.header.version;
  graph.mgtCopy.assign(section.begin(), section.end());

  std::uint32_t eitCount = 0;
  {
    std::lock_guard<std::mutex> lock(graph.psiPids.lock);
    graph.psiPids.entries.Clear();
    graph.eitCount = 0;
    for (const MgtEntry& e : mgt.tables) {
      if (IsEttTableType(e.tableType)) {
        graph.psiPids.AddIfMissing(e.pid, kPidEtt);
      } else if (IsEitTableType(e.tableType)) {
        ++eitCount;
        graph.psiPids.AddIfMissing(e.pid, kPidEit);
      }
    }
    graph.eitCount = eitCount;
  }
  // The channel-list lock is never held together with the PID-list lock.
  for (const MgtEntry& e : mgt.tables) {
    if (IsEitTableType(e.tableType)) PurgeStaleEvents(ctx.channels, tag.physical, e);
  }

  auto lock = ctx.channels.Acquire();
  for (auto& [key, node] : ctx.channels) {
    if (node.record.locator.physical() == tag.physical) node.record.guideTableCount = eitCount;
  }
  return true;
}

}  // namespace tables
