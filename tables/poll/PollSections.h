// The section poll: the once-a-second table step of one live graph.
#pragma once

#include <cstddef>
#include <cstdint>

#include "common/TsConstants.h"
#include "tables/poll/GraphTables.h"
#include "tables/sections/SectionStore.h"
#include "tuning/ChannelList.h"

namespace tables {

inline constexpr std::size_t kFixedPsiPidCount = 8;
inline constexpr std::int32_t kFixedPsiPids[kFixedPsiPidCount] = {
    common::kPatPid, common::kPsipBasePid, common::kScteSiBasePid, common::kNitPid,
    common::kSdtPid, common::kDvbEitPid,   common::kRstPid,        common::kTdtPid};
inline constexpr std::size_t kPidArraySize = 200;
inline constexpr int kSectionsPerTick = 101;

// Program-wide table state shared by every graph's poll.
struct ProgramTables {
  SectionStore sections;
  tuning::ChannelList* channels = nullptr;
  bool polling = false;  // re-entry guard: a nested poll returns at once
};

// One tick for one live graph: the now-playing hand-off, the PID filter, then
// at most 101 queued sections through DispatchSection.
void PollSections(ProgramTables& program, GraphTables& graph);

// Maps the fixed and listed PSI PIDs on the graph's section pin and tuner PID
// filter (when the graph has a section pin). The poll does it every tick, and
// a graph right after it maps a channel's streams: the tuner's filter then
// passes only what is mapped, and the tables would wait for the next tick.
void MapPsiPids(GraphTables& graph);

// Takes every section still queued and drops it unread (before a tune).
void DrainSectionBuffer(IPacketBuffer* buffer);

// Fills `pids` with the fixed PIDs and then the listed ones (at most 192);
// returns the count.
std::size_t BuildPsiPidArray(PsiPidList& list, std::int32_t (&pids)[kPidArraySize]);

}  // namespace tables
