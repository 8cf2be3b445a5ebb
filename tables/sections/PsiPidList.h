// The PIDs a graph collects table sections from besides the fixed ones: PMT
// and network PIDs from PATs, EIT and ETT PIDs from the MGT. One list per
// graph, guarded by the graph's PID-list lock.
#pragma once

#include <cstdint>
#include <mutex>

#include "common/KeyedList.h"

namespace tables {

inline constexpr std::uint32_t kPidFromPat = 0;
inline constexpr std::uint32_t kPidEit = 0xCB;
inline constexpr std::uint32_t kPidEtt = 0xCC;

struct PsiPidEntry {
  std::uint32_t pid = 0;
  std::uint32_t kind = kPidFromPat;  // 0 PAT, 0xCB EIT, 0xCC ETT
};

struct PsiPidList {
  std::mutex lock;                         // the graph's PID-list lock
  common::KeyedList<PsiPidEntry> entries;  // key low = PID, high = 0

  static common::ListKey KeyFor(std::uint32_t pid) { return {pid, 0}; }

  // Adds the PID unless it is listed already (caller holds the lock).
  void AddIfMissing(std::uint32_t pid, std::uint32_t kind) {
    if (!entries.Find(KeyFor(pid))) entries.Insert(KeyFor(pid), PsiPidEntry{pid, kind});
  }
};

}  // namespace tables
