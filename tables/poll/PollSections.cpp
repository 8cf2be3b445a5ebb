#include "tables/poll/PollSections.h"

#include <span>

#include "common/TimeBase.h"
#include "platform/com/TaskMemory.h"
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

void DrainSectionBuffer(IPacketBuffer* buffer) {
  if (!buffer) return;
  for (;;) {
    std::uint8_t* bytes = nullptr;
    std::int32_t length = 0, tuningSpace = 0, physical = 0, modulation = 0, program = 0, pid = 0;
    if (FAILED(buffer->GetNextSection(&bytes, &length, &tuningSpace, &physical, &modulation,
                                      &program, &pid))) {
      return;
    }
    CoTaskMemFree(bytes);
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

  if (graph.sectionPinPresent && graph.networkProvider) {
    std::int32_t pids[kPidArraySize];
    const std::size_t count = BuildPsiPidArray(graph.psiPids, pids);
    graph.networkProvider->SetPsiPids(pids, static_cast<std::int32_t>(count),
                                      graph.recordTransportStream);
  }

  if (graph.packetBuffer) {
    TableContext ctx{program.sections, *program.channels, graph};
    for (int taken = 0; taken < kSectionsPerTick; ++taken) {
      std::uint8_t* bytes = nullptr;
      std::int32_t length = 0, tuningSpace = 0, physical = 0, modulation = 0, programNumber = 0,
                   pid = 0;
      if (FAILED(graph.packetBuffer->GetNextSection(&bytes, &length, &tuningSpace, &physical,
                                                    &modulation, &programNumber, &pid))) {
        break;
      }
      if (bytes && length > 0) {
        SectionTag tag;
        tag.tuningSpace = static_cast<std::uint8_t>(tuningSpace);
        tag.physical = static_cast<std::uint8_t>(physical);
        tag.modulation = static_cast<std::uint16_t>(modulation);
        tag.pid = static_cast<std::uint16_t>(pid & 0x1FFF);
        DispatchSection(ctx, std::span<const std::uint8_t>(bytes, static_cast<std::size_t>(length)),
                        tag);
        graph.lastSectionMarker = physical;
        ++graph.sectionCount;
      }
      CoTaskMemFree(bytes);
    }
  }

  program.polling = false;
}

}  // namespace tables
