#include "demux/TsDemuxer.h"

#include <algorithm>

namespace demux {

namespace {

// continuity_ entries: the last counter in the low nibble, or kNoCounter.
constexpr std::uint8_t kNoCounter = 0xFF;
constexpr std::uint8_t kRepeatSeen = 0x10;  // the last packet was already repeated once

bool ValidContent(MediaSampleContent content) {
  return static_cast<std::uint32_t>(content) <=
         static_cast<std::uint32_t>(MediaSampleContent::kTransportPayload);
}

// Distance between two PCRs, wrap-aware, in [-modulus/2, modulus/2).
std::int64_t PcrDelta(std::uint64_t to, std::uint64_t from) {
  const auto modulus = static_cast<std::int64_t>(kPcrModulus);
  std::int64_t delta = (static_cast<std::int64_t>(to % kPcrModulus) -
                        static_cast<std::int64_t>(from % kPcrModulus)) %
                       modulus;
  if (delta < -modulus / 2) delta += modulus;
  if (delta >= modulus / 2) delta -= modulus;
  return delta;
}

}  // namespace

struct TsDemuxer::Output {
  OutputConfig config;
  OutputSink* sink = nullptr;
  std::vector<PidMapping> mappings;  // sorted by PID
};

struct TsDemuxer::PidRoute {
  struct EsTarget {
    OutputId output;
    OutputSink* sink;
    std::unique_ptr<PesAssembler> pes;
  };
  std::vector<OutputSink*> packetSinks;
  std::vector<OutputSink*> payloadSinks;
  std::vector<OutputSink*> sectionSinks;
  std::vector<OutputId> packetOutputs, payloadOutputs, sectionOutputs;
  std::vector<EsTarget> es;
  std::unique_ptr<SectionAssembler> sections;
  bool payloadLost = false;  // raw payload outputs: next delivery follows a loss

  bool Empty() const {
    return packetOutputs.empty() && payloadOutputs.empty() && sectionOutputs.empty() && es.empty();
  }
};

TsDemuxer::TsDemuxer() : routes_(kPidCount), continuity_(kPidCount, kNoCounter) {}

TsDemuxer::~TsDemuxer() = default;

TsDemuxer::Output* TsDemuxer::Find(OutputId id) const {
  return id < outputs_.size() ? outputs_[id].get() : nullptr;
}

DemuxResult TsDemuxer::CreateOutput(const OutputConfig& config, OutputSink* sink, OutputId* id) {
  if (sink == nullptr || id == nullptr) return DemuxResult::kMissingArgument;
  if (delivering_) return DemuxResult::kCalledFromOutput;
  auto output = std::make_unique<Output>();
  output->config = config;
  output->sink = sink;
  outputs_.push_back(std::move(output));
  *id = static_cast<OutputId>(outputs_.size() - 1);
  return DemuxResult::kDone;
}

DemuxResult TsDemuxer::DeleteOutput(OutputId id) {
  Output* output = Find(id);
  if (output == nullptr) return DemuxResult::kInvalidArgument;
  if (delivering_) return DemuxResult::kCalledFromOutput;
  while (!output->mappings.empty())
    RemoveMapping(*output, output->mappings.back().pid);
  outputs_[id].reset();
  return DemuxResult::kDone;
}

DemuxResult TsDemuxer::MapPids(OutputId id, std::span<const std::uint32_t> pids,
                               MediaSampleContent content) {
  Output* output = Find(id);
  if (output == nullptr || !ValidContent(content)) return DemuxResult::kInvalidArgument;
  // Check every PID before touching anything.
  if (std::any_of(pids.begin(), pids.end(), [](std::uint32_t pid) { return pid > kMaxPid; })) {
    return DemuxResult::kInvalidArgument;
  }
  if (delivering_) return DemuxResult::kCalledFromOutput;
  bool changed = false;
  for (const std::uint32_t pid : pids) {
    auto it = std::lower_bound(output->mappings.begin(), output->mappings.end(), pid,
                               [](const PidMapping& m, std::uint32_t p) { return m.pid < p; });
    if (it != output->mappings.end() && it->pid == pid) {
      if (it->content == content) continue;
      RemoveMapping(*output, pid);
    }
    AddMapping(id, *output, pid, content);
    changed = true;
  }
  if (changed && content == MediaSampleContent::kElementaryStream) FollowProgramPcr();
  return changed ? DemuxResult::kDone : DemuxResult::kUnchanged;
}

DemuxResult TsDemuxer::UnmapPids(OutputId id, std::span<const std::uint32_t> pids) {
  Output* output = Find(id);
  if (output == nullptr) return DemuxResult::kInvalidArgument;
  if (std::any_of(pids.begin(), pids.end(), [](std::uint32_t pid) { return pid > kMaxPid; })) {
    return DemuxResult::kInvalidArgument;
  }
  if (delivering_) return DemuxResult::kCalledFromOutput;
  bool changed = false;
  for (const std::uint32_t pid : pids) {
    const auto before = output->mappings.size();
    RemoveMapping(*output, pid);
    changed = changed || output->mappings.size() != before;
  }
  return changed ? DemuxResult::kDone : DemuxResult::kUnchanged;
}

DemuxResult TsDemuxer::EnumPids(OutputId id, std::vector<PidMapping>& mappings) const {
  const Output* output = Find(id);
  if (output == nullptr) return DemuxResult::kInvalidArgument;
  mappings = output->mappings;
  return DemuxResult::kDone;
}

void TsDemuxer::AddMapping(OutputId id, Output& output, std::uint32_t pid,
                           MediaSampleContent content) {
  auto& route = routes_[pid];
  if (!route) {
    route = std::make_unique<PidRoute>();
    routedPids_.push_back(static_cast<std::uint16_t>(pid));
    // Nobody took this PID until now, so an upstream PID filter may have held
    // its packets back (a graph maps the PID there and here together): the
    // counter is followed afresh, as after an announced discontinuity.
    continuity_[pid] = kNoCounter;
  }
  switch (content) {
    case MediaSampleContent::kTransportPacket:
      route->packetOutputs.push_back(id);
      route->packetSinks.push_back(output.sink);
      break;
    case MediaSampleContent::kTransportPayload:
      route->payloadOutputs.push_back(id);
      route->payloadSinks.push_back(output.sink);
      break;
    case MediaSampleContent::kMpeg2Psi:
      route->sectionOutputs.push_back(id);
      route->sectionSinks.push_back(output.sink);
      if (!route->sections) route->sections = std::make_unique<SectionAssembler>();
      break;
    case MediaSampleContent::kElementaryStream:
      route->es.push_back(
          {id, output.sink,
           std::make_unique<PesAssembler>(static_cast<std::uint16_t>(pid), output.config)});
      break;
  }
  const PidMapping mapping{pid, content};
  output.mappings.insert(
      std::lower_bound(output.mappings.begin(), output.mappings.end(), pid,
                       [](const PidMapping& m, std::uint32_t p) { return m.pid < p; }),
      mapping);
}

void TsDemuxer::RemoveMapping(Output& output, std::uint32_t pid) {
  auto it = std::lower_bound(output.mappings.begin(), output.mappings.end(), pid,
                             [](const PidMapping& m, std::uint32_t p) { return m.pid < p; });
  if (it == output.mappings.end() || it->pid != pid) return;
  const MediaSampleContent content = it->content;
  output.mappings.erase(it);
  auto& route = routes_[pid];
  if (!route) return;
  auto removeFrom = [&](std::vector<OutputId>& ids, std::vector<OutputSink*>& sinks) {
    for (std::size_t i = 0; i < ids.size(); ++i) {
      if (outputs_[ids[i]].get() == &output) {
        ids.erase(ids.begin() + static_cast<std::ptrdiff_t>(i));
        sinks.erase(sinks.begin() + static_cast<std::ptrdiff_t>(i));
        return;
      }
    }
  };
  switch (content) {
    case MediaSampleContent::kTransportPacket:
      removeFrom(route->packetOutputs, route->packetSinks);
      break;
    case MediaSampleContent::kTransportPayload:
      removeFrom(route->payloadOutputs, route->payloadSinks);
      break;
    case MediaSampleContent::kMpeg2Psi:
      removeFrom(route->sectionOutputs, route->sectionSinks);
      if (route->sectionOutputs.empty()) route->sections.reset();
      break;
    case MediaSampleContent::kElementaryStream:
      std::erase_if(route->es, [&](const PidRoute::EsTarget& t) {
        return outputs_[t.output].get() == &output;
      });
      break;
  }
  if (route->Empty()) {
    route.reset();
    std::erase(routedPids_, static_cast<std::uint16_t>(pid));
  }
}

bool TsDemuxer::IsEsMapped(std::uint16_t pid) const {
  const auto& route = routes_[pid];
  return route && !route->es.empty();
}

DemuxResult TsDemuxer::SetPcrPid(std::uint32_t pid) {
  if (pid == kAutoPcrPid) {
    autoPcr_ = true;
    pcrFromPmt_ = false;
    pcrPid_.reset();
    FollowProgramPcr();
  } else if (pid <= kMaxPid) {
    autoPcr_ = false;
    pcrFromPmt_ = false;
    pcrPid_ = static_cast<std::uint16_t>(pid);
  } else {
    return DemuxResult::kInvalidArgument;
  }
  fallbackPcrPid_.reset();
  fallbackPcrCount_ = 0;
  clock_.Reset();
  return DemuxResult::kDone;
}

void TsDemuxer::Ingest(std::span<const std::uint8_t> bytes, std::int64_t arrival) {
  arrived_ = true;
  arrival_ = arrival;
  Ingest(bytes);
  arrived_ = false;
}

void TsDemuxer::Ingest(std::span<const std::uint8_t> bytes) {
  bytesIn_ += bytes.size();
  delivering_ = true;
  aligner_.Push(bytes, [this](PacketView packet, std::uint64_t position) {
    ProcessPacket(packet, position);
  });
  delivering_ = false;
}

void TsDemuxer::EndOfStream() {
  delivering_ = true;
  aligner_.Drain(
      [this](PacketView packet, std::uint64_t position) { ProcessPacket(packet, position); });
  for (const std::uint16_t pid : routedPids_) {
    PidRoute* route = routes_[pid].get();
    if (route->sections) route->sections->Clear();
    for (auto& target : route->es) {
      target.pes->Finish([&](const Sample& s) { target.sink->Deliver(s); }, stats_[pid].pesErrors);
    }
  }
  delivering_ = false;
}

void TsDemuxer::Flush() {
  aligner_.Discard();
  std::fill(continuity_.begin(), continuity_.end(), kNoCounter);
  for (const std::uint16_t pid : routedPids_) {
    PidRoute* route = routes_[pid].get();
    if (route->sections) route->sections->Clear();
    for (auto& target : route->es)
      target.pes->Abort();
    route->payloadLost = true;
  }
}

void TsDemuxer::Resync() {
  Flush();
  clock_.Reset();
}

void TsDemuxer::Reset() {
  Flush();
  clock_.Reset();
  tables_.Reset();
  pcrFromPmt_ = false;
  if (autoPcr_) pcrPid_.reset();
  fallbackPcrPid_.reset();
  fallbackPcrCount_ = 0;
}

InputStatistics TsDemuxer::Input() const {
  InputStatistics input;
  input.bytes = bytesIn_;
  input.packets = packetIndex_;
  input.bytesSkipped = aligner_.BytesSkipped();
  input.syncLosses = aligner_.SyncLosses();
  input.invalidPackets = invalidPackets_;
  return input;
}

void TsDemuxer::MarkAllDiscontinuous() {
  for (const std::uint16_t pid : routedPids_) {
    for (auto& target : routes_[pid]->es)
      target.pes->MarkDiscontinuity();
  }
}

void TsDemuxer::SwitchPcrPid(std::uint16_t pid) {
  if (pcrPid_ == pid) return;
  if (pcrPid_) clock_.Reset();  // continue the timeline on the new PID
  pcrPid_ = pid;
}

void TsDemuxer::FollowProgramPcr() {
  if (!autoPcr_) return;
  for (const std::uint16_t pid : routedPids_) {
    if (routes_[pid]->es.empty()) continue;
    if (const auto pcr = tables_.PcrPidOf(pid)) {
      SwitchPcrPid(*pcr);
      pcrFromPmt_ = true;
      return;
    }
  }
}

void TsDemuxer::ChoosePcrPid(std::uint16_t pid) {
  if (IsEsMapped(pid)) {
    SwitchPcrPid(pid);
    return;
  }
  if (pcrPid_) return;
  if (fallbackPcrPid_ != pid) {
    fallbackPcrPid_ = pid;
    fallbackPcrCount_ = 0;
  }
  if (++fallbackPcrCount_ >= kFallbackPcrCount) pcrPid_ = pid;
}

void TsDemuxer::HandlePcr(std::uint16_t pid, const PacketHeader& header,
                          std::uint64_t bytePosition) {
  PidStatistics& stats = stats_[pid];
  if (stats.pcrCount > 0) {
    const std::int64_t delta = PcrDelta(header.pcr, stats.lastPcr);
    if (delta < 0 || delta > kMaxPcrGap) ++stats.pcrJumps;
  }
  ++stats.pcrCount;
  stats.lastPcr = header.pcr;

  if (autoPcr_ && !pcrFromPmt_ && (!pcrPid_ || (pid != *pcrPid_ && !IsEsMapped(*pcrPid_)))) {
    ChoosePcrPid(pid);
  }
  if (pcrPid_ != pid) return;
  const auto update = clock_.OnPcr(header.pcr, packetIndex_, bytePosition, header.discontinuity,
                                   arrived_ ? std::optional<std::int64_t>(arrival_) : std::nullopt);
  if (update.newEpoch) MarkAllDiscontinuous();
  if (clockObserver_ != nullptr) {
    PcrEvent event;
    event.pid = pid;
    event.pcr = header.pcr;
    event.streamTime = update.streamTime;
    event.bytePosition = bytePosition;
    event.discontinuity = update.newEpoch;
    clockObserver_->OnPcr(event);
  }
}

void TsDemuxer::ProcessPacket(PacketView packet, std::uint64_t bytePosition) {
  ++packetIndex_;
  PacketHeader header;
  const PacketParse parse = ParsePacketHeader(packet, header);
  const std::uint16_t pid = header.pid;
  PidStatistics& stats = stats_[pid];
  ++stats.packets;
  PidRoute* route = routes_[pid].get();

  // Whole packets go out as they came, damaged or not.
  if (route != nullptr) {
    for (OutputSink* sink : route->packetSinks) {
      Sample sample;
      sample.data = packet;
      sample.content = MediaSampleContent::kTransportPacket;
      sample.pid = pid;
      sink->Deliver(sample);
    }
  }
  if (parse != PacketParse::kOk) {
    ++invalidPackets_;
    ++stats.malformed;
    return;
  }
  if (header.transportError) {
    ++stats.transportErrors;
    return;
  }

  // Continuity: the counter advances with every packet that has a payload; one
  // repetition of a packet is allowed (and dropped).
  bool lost = false;
  if (pid != kNullPid && header.hasPayload) {
    std::uint8_t& last = continuity_[pid];
    const std::uint8_t counter = header.continuityCounter;
    if (last != kNoCounter) {
      if ((last & 0x0F) == counter) {
        if ((last & kRepeatSeen) == 0) {
          last |= kRepeatSeen;
          ++stats.duplicates;
          return;
        }
        lost = true;
      } else if (((last + 1) & 0x0F) != counter) {
        lost = !header.discontinuity;  // an announced discontinuity is no loss
        if (header.discontinuity && route != nullptr) {
          for (auto& target : route->es)
            target.pes->MarkDiscontinuity();
        }
      }
    }
    last = counter;
  }
  if (lost) ++stats.continuityErrors;

  // The programme tables are followed only to find the PCR; they need no map.
  if (autoPcr_ && tables_.Watches(pid) && header.payloadSize > 0 && header.scrambling == 0) {
    if (tables_.Push(pid, Payload(packet, header), header.payloadUnitStart, lost)) {
      FollowProgramPcr();
    }
  }
  if (header.hasPcr) HandlePcr(pid, header, bytePosition);
  if (route == nullptr) return;

  if (lost) {
    if (route->sections) {
      SectionAssembler::Counters counters;
      route->sections->Abort(counters);
      stats.sectionsDropped += counters.dropped;
    }
    for (auto& target : route->es)
      target.pes->Abort();
    route->payloadLost = true;
  }
  if (header.payloadSize == 0) return;
  const auto payload = Payload(packet, header);

  if (!route->payloadSinks.empty()) {
    Sample sample;
    sample.data = payload;
    sample.content = MediaSampleContent::kTransportPayload;
    sample.pid = pid;
    if (header.payloadUnitStart) sample.flags |= kSampleUnitStart;
    if (route->payloadLost) sample.flags |= kSampleDiscontinuity;
    route->payloadLost = false;
    for (OutputSink* sink : route->payloadSinks)
      sink->Deliver(sample);
  }

  if (header.scrambling != 0) {
    // Scrambled payload cannot be parsed: for sections and PES it is a gap.
    ++stats.scrambled;
    if (route->sections) route->sections->Clear();
    for (auto& target : route->es)
      target.pes->Abort();
    return;
  }
  if (route->sections) {
    SectionAssembler::Counters counters;
    route->sections->Push(
        payload, header.payloadUnitStart,
        [&](std::span<const std::uint8_t> section) {
          Sample sample;
          sample.data = section;
          sample.content = MediaSampleContent::kMpeg2Psi;
          sample.pid = pid;
          for (OutputSink* sink : route->sectionSinks)
            sink->Deliver(sample);
        },
        counters);
    stats.sectionsDropped += counters.dropped;
    stats.malformed += counters.malformed;
  }

  for (auto& target : route->es) {
    target.pes->Push(
        payload, header.payloadUnitStart, header.randomAccess, clock_,
        [&](const Sample& sample) { target.sink->Deliver(sample); }, stats.pesErrors);
  }
}

}  // namespace demux
