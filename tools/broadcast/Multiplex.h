// A live synthetic multiplex: constant-rate transport stream made packet by
// packet from a MultiplexDescription. Tables (PAT, PMT, and ATSC PSIP or DVB
// SI) are made from the time each packet stands for; video and audio come
// from each channel's cached loop, played with timestamps that run on; null
// packets fill the rest of the transmission rate.
//
// The stream's time starts at the clock's reading when the multiplex is
// created and advances by 188 * 8 / BitRate() seconds per packet, so a caller
// that paces Read() in real time gets tables that tell the current time, and
// one that reads as fast as it can (a capture writer) gets a consistent
// stream of the same content.
#pragma once

#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "tools/broadcast/Description.h"
#include "tools/broadcast/ElementaryLoop.h"
#include "tools/broadcast/PsipTables.h"
#include "tools/broadcast/TsPacket.h"

namespace broadcast {

struct MultiplexOptions {
  // UTC now in microseconds since 1970; empty: the system clock.
  std::function<std::int64_t()> clock;
  // Where encoded loops are cached; empty: no cache (encode every time).
  std::filesystem::path cacheFolder = DefaultCacheFolder();
  LoopOptions loop;
};

class Multiplex {
 public:
  // Loads or encodes every channel's loop. Null and `error` on failure.
  static std::unique_ptr<Multiplex> Create(const MultiplexDescription& description,
                                           const MultiplexOptions& options, std::string& error);

  // Fills `out` with whole 188-byte packets (out.size() / 188 of them) and
  // returns the number of bytes written.
  std::size_t Read(std::span<std::uint8_t> out);

  std::uint64_t BitRate() const { return rate_; }
  std::uint64_t PacketsWritten() const { return slot_; }
  // Seconds of stream time before the next packet.
  double StreamSeconds() const;
  std::int64_t StartUtcMicros() const { return startUtcMicros_; }
  // UTC seconds that the next packet stands for.
  std::int64_t UtcNow() const;
  const MultiplexDescription& Description() const { return description_; }
  // The loop of channel `index` of the description; null for analog entries.
  const EncodedLoop* ChannelLoop(std::size_t index) const;

 private:
  struct SectionQueue {
    std::uint16_t pid = 0;
    std::deque<Bytes> sections;  // each with its pointer_field in front
    std::size_t offset = 0;
  };
  struct TableTimer {
    std::uint16_t pid = 0;
    std::uint64_t intervalPackets = 1;
    std::uint64_t nextSlot = 0;
    std::function<void(std::int64_t utc, std::vector<Bytes>& out)> build;
  };
  struct EsStream {
    std::uint16_t pid = 0;
    std::uint8_t streamId = 0;
    bool video = false;
    bool carriesPcr = false;
    const std::vector<AccessUnit>* units = nullptr;
    std::uint64_t loopDuration = 0;
    std::uint64_t releaseLag = 0;  // 90 kHz: released this long after the video lead
    std::size_t next = 0;
    std::uint64_t loopCount = 0;
    Bytes pes;
    std::size_t pesOffset = 0;
    std::uint64_t pesDts = 0;  // relative, for ordering
    bool pesKey = false;
    std::uint64_t lastPcrSlot = 0;
    bool pcrSent = false;
  };

  Multiplex(const MultiplexDescription& description, const MultiplexOptions& options);
  void SetUpTables();
  void AddTable(std::uint16_t pid, double seconds,
                std::function<void(std::int64_t, std::vector<Bytes>&)> build);
  const PsipSnapshot& Psip(std::int64_t utc);
  std::uint64_t Ticks90(std::uint64_t slot) const;
  std::uint64_t Pcr(std::uint64_t slot) const;
  void NextPacket(std::span<std::uint8_t, kPacketSize> out);
  void Release(EsStream& s, std::uint64_t now90);
  void WriteEsPacket(EsStream& s, std::span<std::uint8_t, kPacketSize> out, bool withPcr);
  bool WriteSectionPacket(std::span<std::uint8_t, kPacketSize> out);

  MultiplexDescription description_;
  std::uint64_t rate_ = 0;
  std::int64_t startUtcMicros_ = 0;
  std::uint64_t pcr0_ = 0;
  std::uint64_t slot_ = 0;
  std::uint64_t pcrIntervalPackets_ = 1;
  ContinuityCounters counters_;
  std::vector<std::unique_ptr<EncodedLoop>> loops_;
  std::vector<EsStream> streams_;
  std::vector<TableTimer> timers_;
  std::vector<SectionQueue> queues_;
  std::size_t nextQueue_ = 0;
  PsipSnapshot psip_;
  bool psipValid_ = false;
};

}  // namespace broadcast
