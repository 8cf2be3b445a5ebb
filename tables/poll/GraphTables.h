// What the once-a-second section poll needs from one live graph: the section
// buffer's queue, the network provider's PID filter, the programme text
// source, and the graph's table state. The graph manager owns these objects
// and wires its filters to the three interfaces.
#pragma once

#include <atomic>
#include <cstdint>
#include <mutex>
#include <optional>
#include <span>
#include <vector>

#include "tables/guide/GuideRecords.h"
#include "tables/sections/PsiPidList.h"
#include "tables/sections/SectionTag.h"

namespace tables {

// A table section as the section buffer queued it: its bytes and where it
// was received (the programme number the buffer was filtering, 0 for all).
struct ReceivedSection {
  std::vector<std::uint8_t> bytes;
  SectionTag tag;
  std::int32_t program = 0;
};

// The section buffer's queue. The adapter at the filter side copies each
// section out of the filter's interface.
class IPacketBuffer {
 public:
  virtual ~IPacketBuffer() = default;
  // The oldest queued section, removed from the queue; empty when the queue is.
  virtual std::optional<ReceivedSection> TakeNextSection() = 0;
};

// The network provider's PID filter.
class INetworkProvider {
 public:
  virtual ~INetworkProvider() = default;
  // False when the provider refused the list.
  virtual bool SetPsiPids(std::span<const std::int32_t> pids, bool recordTransportStream) = 0;
};

// The programme text source.
class ITextSource {
 public:
  virtual ~ITextSource() = default;
  // False when the source did not take the record.
  virtual bool SetText(const NowPlayingInfo& info) = 0;
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
