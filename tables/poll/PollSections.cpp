#include "tables/poll/PollSections.h"

#include <span>

#include "common/TimeBase.h"
#include "tables/guide/GuideStore.h"
#include "tables/sections/Dispatch.h"

namespace tables {

std::size_t BuildPsiPidArray(PsiPidList& list, std::int32_t (&pids)[kPidArraySize]) {
  std::size_t count = 0;
  for (std::int32_t pid : kFixedPsiPids)
    pids[count++] = pid;
  std::lock_guard<std::mutex> lock(list.lock);
  for (const auto& [key, entry] : list.entries) {
    if (count == kPidArraySize) break;
    pids[count++] = static_cast<std::int32_t>(entry.pid);
  }
  return count;
}

void MapPsiPids(GraphTables& graph) {
  if (!graph.sectionPinPresent || !graph.networkProvider) return;
  std::int32_t pids[kPidArraySize];
  const std::size_t count = BuildPsiPidArray(graph.psiPids, pids);
  graph.networkProvider->SetPsiPids(std::span<const std::int32_t>(pids, count),
                                    graph.recordTransportStream);
}

void DrainSectionBuffer(IPacketBuffer* buffer) {
  if (!buffer) return;
  while (buffer->TakeNextSection()) {
  }
}

void PollSections(ProgramTables& program, GraphTables& graph) {
  if (program.polling || !program.channels) return;
  program.polling = true;

  if (graph.textSource) {
    BuildNowPlaying(*program.channels, graph.nowPlaying, graph.currentKey1, graph.currentKey2,
                    graph.signalQuality, common::NowUtc());
    graph.textSource->SetText(graph.nowPlaying);
  }

  MapPsiPids(graph);

  if (graph.packetBuffer) {
    TableContext ctx{program.sections, *program.channels, graph};
    for (int taken = 0; taken < kSectionsPerTick; ++taken) {
      std::optional<ReceivedSection> received = graph.packetBuffer->TakeNextSection();
      if (!received) break;
      if (received->bytes.empty()) continue;
      DispatchSection(ctx, received->bytes, received->tag);
      graph.lastSectionMarker = received->tag.physical;
      ++graph.sectionCount;
    }
  }

  program.polling = false;
}

}  // namespace tables
