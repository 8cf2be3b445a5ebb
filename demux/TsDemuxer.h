// The MPEG-2 transport-stream demultiplexer engine.
//
// Takes the tuner's transport stream in chunks of any size and hands its PIDs
// to outputs: whole transport packets, raw packet payloads, reassembled table
// sections, or elementary-stream samples timed from PTS on the programme's PCR
// timeline (see ProgramClock.h). It owns no threads and no pins: the "Demux"
// filter creates one output per output pin, forwards IMPEG2PIDMap calls to
// MapPids/UnmapPids/EnumPids and copies each Sample into a media sample.
//
// Not thread-safe: the caller serialises every call (the filter's receive
// lock), and an OutputSink must not call back into the demultiplexer. Nothing
// on the packet path allocates; mapping a PID allocates its assembler.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <vector>

#include "demux/DemuxTypes.h"
#include "demux/PacketAligner.h"
#include "demux/PesAssembler.h"
#include "demux/PidCounters.h"
#include "demux/ProgramClock.h"
#include "demux/ProgramTables.h"
#include "demux/SectionAssembler.h"

namespace demux {

using OutputId = std::uint32_t;

class TsDemuxer {
 public:
  // PCR PID value meaning "find it": the PCR_PID that the PMT gives for the
  // programme of a PID mapped as elementary stream; until a PMT says so, a
  // PID mapped as elementary stream that carries PCRs; failing that, a PID
  // that keeps carrying them.
  static constexpr std::uint32_t kAutoPcrPid = 0xFFFFFFFF;
  // PCRs an unmapped PID must carry before automatic selection settles for it.
  static constexpr std::uint32_t kFallbackPcrCount = 5;

  TsDemuxer();
  ~TsDemuxer();
  TsDemuxer(const TsDemuxer&) = delete;
  TsDemuxer& operator=(const TsDemuxer&) = delete;

  // Outputs. kMissingArgument without sink or id; kInvalidArgument for an
  // unknown output. Called from an output sink, CreateOutput, DeleteOutput,
  // MapPids and UnmapPids answer kCalledFromOutput and change nothing.
  DemuxResult CreateOutput(const OutputConfig& config, OutputSink* sink, OutputId* id);
  DemuxResult DeleteOutput(OutputId id);

  // PID maps. A PID above 0x1FFF, an unknown content or output refuses the
  // whole call with kInvalidArgument and changes nothing. Mapping a PID that
  // the output already has replaces its content (kDone) or changes nothing
  // (kUnchanged, same content). Unmapping PIDs the output does not have is no
  // error; kUnchanged when nothing was unmapped. A PID that no output had
  // before starts its continuity check afresh: a gap in its counter up to
  // then is no loss.
  DemuxResult MapPids(OutputId id, std::span<const std::uint32_t> pids, MediaSampleContent content);
  DemuxResult UnmapPids(OutputId id, std::span<const std::uint32_t> pids);
  // The output's mappings in PID order.
  DemuxResult EnumPids(OutputId id, std::vector<PidMapping>& mappings) const;

  // Input.
  void Ingest(std::span<const std::uint8_t> bytes);
  // Input received in real time, that arrived at stream time `arrival` (100
  // ns) on the graph's reference clock: the PCRs in it time the samples from
  // their arrival (see ProgramClock.h).
  void Ingest(std::span<const std::uint8_t> bytes, std::int64_t arrival);
  // End of the input: completes unbounded units in progress, hands out packets
  // still waiting for sync confirmation, drops partial sections.
  void EndOfStream();
  // Discards everything in progress (partial packet, sections, PES units) and
  // continuity state; the next unit of every stream is a discontinuity. The
  // next chunk is expected to begin with a packet.
  void Flush();
  // Bytes were lost or the source retuned: Flush(), and the clock starts a new
  // epoch at the next PCR (at its arrival, when the input has one).
  void Resync();
  // A tune: Flush(), and the clock starts a new epoch at the next PCR that
  // continues the timeline (or starts at the time given to Rebase); the
  // automatic PCR PID is chosen afresh.
  void Reset();

  // Clock.
  DemuxResult SetPcrPid(std::uint32_t pid);  // 0-0x1FFF or kAutoPcrPid
  std::optional<std::uint16_t> PcrPid() const { return pcrPid_; }
  // The next PCR maps to this stream time (100 ns); later ones follow it.
  void Rebase(std::int64_t streamTime) { clock_.Rebase(streamTime); }
  ClockEstimate Clock() const { return clock_.Estimate(); }
  void SetClockObserver(ClockObserver* observer) { clockObserver_ = observer; }

  // Counters.
  const PidStatistics& Statistics(std::uint16_t pid) const { return stats_.Get(pid); }
  InputStatistics Input() const;

 private:
  struct Output;
  struct PidRoute;

  void ProcessPacket(PacketView packet, std::uint64_t bytePosition);
  void HandlePcr(std::uint16_t pid, const PacketHeader& header, std::uint64_t bytePosition);
  void ChoosePcrPid(std::uint16_t pid);
  // Takes the PCR PID from the PMT when it names one for a mapped stream.
  void FollowProgramPcr();
  void SwitchPcrPid(std::uint16_t pid);
  bool IsEsMapped(std::uint16_t pid) const;
  void MarkAllDiscontinuous();
  void RemoveMapping(Output& output, std::uint32_t pid);
  void AddMapping(OutputId id, Output& output, std::uint32_t pid, MediaSampleContent content);
  Output* Find(OutputId id) const;

  PacketAligner aligner_;
  ProgramClock clock_;
  ProgramTables tables_;
  std::vector<std::unique_ptr<Output>> outputs_;
  std::vector<std::unique_ptr<PidRoute>> routes_;  // by PID
  std::vector<std::uint16_t> routedPids_;          // PIDs that have a route
  std::vector<std::uint8_t> continuity_;           // by PID: last counter | flags
  PidCounters stats_;

  bool autoPcr_ = true;
  std::optional<std::uint16_t> pcrPid_;
  bool pcrFromPmt_ = false;  // pcrPid_ came from a PMT
  std::optional<std::uint16_t> fallbackPcrPid_;
  std::uint32_t fallbackPcrCount_ = 0;
  ClockObserver* clockObserver_ = nullptr;

  bool arrived_ = false;      // the bytes being ingested came with an arrival time
  std::int64_t arrival_ = 0;  // 100 ns
  std::uint64_t bytesIn_ = 0;
  std::uint64_t packetIndex_ = 0;
  std::uint32_t invalidPackets_ = 0;
  bool delivering_ = false;
};

}  // namespace demux
