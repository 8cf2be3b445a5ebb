// What the once-a-second section poll needs from one live graph: the section
// buffer's queue, the network provider's PID filter, the programme text
// source, and the graph's table state. The graph manager owns these objects
// and wires its filters to the three interfaces.
#pragma once

#include <atomic>
#include <cstdint>
#include <mutex>
#include <vector>

#include "platform/com/HResult.h"
#include "tables/guide/GuideRecords.h"
#include "tables/sections/PsiPidList.h"

namespace tables {

// The section buffer's queue (IPacketBuffer of the section buffer filter).
class IPacketBuffer {
 public:
  virtual ~IPacketBuffer() = default;
  // Hands out the oldest queued section and removes it from the queue. The
  // bytes are allocated with CoTaskMemAlloc; the caller frees them with
  // CoTaskMemFree. Fails, leaving the outputs alone, when the queue is empty.
  virtual HRESULT GetNextSection(std::uint8_t** section, std::int32_t* length,
                                 std::int32_t* tuningSpace, std::int32_t* physical,
                                 std::int32_t* modulation, std::int32_t* program,
                                 std::int32_t* pid) = 0;
};

// The network provider's PID filter (INetworkProvider::SetPsiPids).
class INetworkProvider {
 public:
  virtual ~INetworkProvider() = default;
  virtual HRESULT SetPsiPids(const std::int32_t* pids, std::int32_t count, bool flag) = 0;
};

// The programme text source (ITextSource::SetText).
class ITextSource {
 public:
  virtual ~ITextSource() = default;
  virtual HRESULT SetText(const NowPlayingInfo& info) = 0;
};

inline constexpr std::size_t kMgtCopyCapacity = 4096;

// One graph's table state. The poll and the table handlers run on the
// user-interface thread; the graph thread empties the state before a tune.
struct GraphTables {
  // Wiring to the graph's filters; each null when the filter is absent.
  IPacketBuffer* packetBuffer = nullptr;
  INetworkProvider* networkProvider = nullptr;
  ITextSource* textSource = nullptr;
  bool sectionPinPresent = false;  // the demultiplexer has its section output pin

  // PSIP state.
  std::vector<std::uint8_t> mgtCopy;  // last accepted MGT section; empty at start
  std::uint8_t mgtVersion = 0;
  std::uint32_t eitCount = 0;  // EIT-k entries in the last accepted MGT
  PsiPidList psiPids;          // with the PID-list lock
  std::uint32_t sttTime = 0;   // system_time of the last STT, GPS seconds
  std::atomic<int> scanRunning{0};
  std::mutex vctLock;  // taken before the channel-list lock

  // Section bookkeeping, cleared at every tune.
  std::int32_t lastSectionMarker = -1;  // physical channel of the last section taken
  std::int32_t sectionCount = 0;        // sections taken since the tune

  // The graph's current channel and readings.
  std::uint32_t currentKey1 = 0;
  std::uint32_t currentKey2 = 0;
  std::int32_t signalQuality = 0;
  bool recordTransportStream = false;  // passed on to SetPsiPids unchanged

  NowPlayingInfo nowPlaying;

  // The emptying before every tune: PSI PIDs, MGT copy, counts, marker. The
  // caller drains the section buffer itself.
  void ResetForTune() {
    {
      std::lock_guard<std::mutex> lock(psiPids.lock);
      psiPids.entries.Clear();
    }
    mgtCopy.clear();
    eitCount = 0;
    sectionCount = 0;
    lastSectionMarker = -1;
  }
};

}  // namespace tables
