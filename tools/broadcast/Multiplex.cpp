#include "tools/broadcast/Multiplex.h"

#include <algorithm>
#include <chrono>

#include "common/TsConstants.h"
#include "tools/broadcast/DvbTables.h"
#include "tools/broadcast/PsiTables.h"

namespace broadcast {
namespace {

constexpr std::uint64_t kPacketBits = kPacketSize * 8;
// Video access units are sent from half a second before their decoding time;
// audio from a tenth (its decoder buffer is small).
constexpr std::uint64_t kVideoLead90 = 45'000;
constexpr std::uint64_t kAudioLead90 = 9'000;
constexpr double kPcrInterval = 0.03;
constexpr std::uint8_t kVideoStreamId = 0xE0;
constexpr std::uint8_t kPrivateStream1 = 0xBD;  // AC-3 in ATSC and DVB

std::int64_t SystemMicros() {
  return std::chrono::duration_cast<std::chrono::microseconds>(
             std::chrono::system_clock::now().time_since_epoch())
      .count();
}

using u128 = unsigned __int128;

}  // namespace

std::unique_ptr<Multiplex> Multiplex::Create(const MultiplexDescription& description,
                                             const MultiplexOptions& options, std::string& error) {
  if (!description.synthetic) {
    error = "a capture multiplex is played by the tuner, not made";
    return nullptr;
  }
  std::unique_ptr<Multiplex> m(new Multiplex(description, options));
  for (const ChannelDescription& c : description.channels) {
    if (c.analog) {
      m->loops_.push_back(nullptr);
      continue;
    }
    auto loop = std::make_unique<EncodedLoop>();
    if (!LoadOrEncodeLoop(c, options.loop, options.cacheFolder, *loop, error)) return nullptr;
    m->loops_.push_back(std::move(loop));
  }
  for (std::size_t i = 0; i < description.channels.size(); ++i) {
    const ChannelDescription& c = description.channels[i];
    const EncodedLoop* loop = m->loops_[i].get();
    if (!loop) continue;
    if (c.HasVideo() && !loop->video.empty()) {
      EsStream s;
      s.pid = c.videoPid;
      s.streamId = kVideoStreamId;
      s.video = true;
      s.carriesPcr = c.PcrPid() == c.videoPid;
      s.units = &loop->video;
      s.loopDuration = loop->videoDuration;
      m->streams_.push_back(std::move(s));
    }
    if (c.HasAudio() && !loop->audio.empty()) {
      EsStream s;
      s.pid = c.audioPid;
      s.streamId = kPrivateStream1;
      s.carriesPcr = c.PcrPid() == c.audioPid;
      s.units = &loop->audio;
      s.loopDuration = loop->audioDuration;
      s.releaseLag = kVideoLead90 - kAudioLead90;
      m->streams_.push_back(std::move(s));
    }
  }
  m->SetUpTables();
  return m;
}

Multiplex::Multiplex(const MultiplexDescription& description, const MultiplexOptions& options)
    : description_(description), rate_(description.BitRate()) {
  startUtcMicros_ = options.clock ? options.clock() : SystemMicros();
  pcr0_ = static_cast<std::uint64_t>(startUtcMicros_) * 27 % kPcrWrap;
  pcrIntervalPackets_ = std::max<std::uint64_t>(
      1, static_cast<std::uint64_t>(kPcrInterval * static_cast<double>(rate_) / kPacketBits));
}

const EncodedLoop* Multiplex::ChannelLoop(std::size_t index) const {
  return index < loops_.size() ? loops_[index].get() : nullptr;
}

double Multiplex::StreamSeconds() const {
  return static_cast<double>(slot_) * kPacketBits / static_cast<double>(rate_);
}

std::int64_t Multiplex::UtcNow() const {
  const auto micros =
      static_cast<std::int64_t>(static_cast<u128>(slot_) * kPacketBits * 1'000'000 / rate_);
  const std::int64_t t = startUtcMicros_ + micros;
  return t >= 0 ? t / 1'000'000 : -((-t + 999'999) / 1'000'000);
}

std::uint64_t Multiplex::Ticks90(std::uint64_t slot) const {
  return static_cast<std::uint64_t>(static_cast<u128>(slot) * kPacketBits * common::kPtsClockHz /
                                    rate_);
}

std::uint64_t Multiplex::Pcr(std::uint64_t slot) const {
  return (pcr0_ + static_cast<std::uint64_t>(static_cast<u128>(slot) * kPacketBits *
                                             common::kSystemClockHz / rate_)) %
         kPcrWrap;
}

void Multiplex::AddTable(std::uint16_t pid, double seconds,
                         std::function<void(std::int64_t, std::vector<Bytes>&)> build) {
  TableTimer t;
  t.pid = pid;
  t.intervalPackets = std::max<std::uint64_t>(
      1, static_cast<std::uint64_t>(seconds * static_cast<double>(rate_) / kPacketBits));
  t.build = std::move(build);
  timers_.push_back(std::move(t));
  for (const SectionQueue& q : queues_)
    if (q.pid == pid) return;
  queues_.push_back({pid, {}, 0});
}

const PsipSnapshot& Multiplex::Psip(std::int64_t utc) {
  if (!psipValid_ || SlotStart(utc) != psip_.slotStart) {
    psip_ = BuildPsipSnapshot(description_, utc);
    psipValid_ = true;
  }
  return psip_;
}

void Multiplex::SetUpTables() {
  const MultiplexDescription& d = description_;
  AddTable(0x0000, 0.1, [this](std::int64_t, std::vector<Bytes>& out) {
    out.push_back(BuildPat(description_, 0));
  });
  for (const ChannelDescription& c : d.channels) {
    if (c.analog) continue;
    AddTable(c.pmtPid, 0.1, [this, c](std::int64_t, std::vector<Bytes>& out) {
      out.push_back(BuildPmt(description_, c, 0));
    });
  }
  if (d.tables == TableSet::kTvct || d.tables == TableSet::kCvct) {
    AddTable(kPsipBasePid, 0.15,
             [this](std::int64_t utc, std::vector<Bytes>& out) { out.push_back(Psip(utc).mgt); });
    AddTable(kPsipBasePid, 0.4, [this](std::int64_t utc, std::vector<Bytes>& out) {
      const auto& vct = Psip(utc).vct;
      out.insert(out.end(), vct.begin(), vct.end());
    });
    AddTable(kPsipBasePid, 1.0,
             [](std::int64_t utc, std::vector<Bytes>& out) { out.push_back(BuildStt(utc)); });
    static constexpr double kEitSeconds[kEitCount] = {0.5, 1.0, 2.0, 2.0};
    static constexpr double kEttSeconds[kEitCount] = {1.0, 3.0, 3.0, 3.0};
    for (int k = 0; k < kEitCount; ++k) {
      AddTable(static_cast<std::uint16_t>(kEitPidBase + k), kEitSeconds[k],
               [this, k](std::int64_t utc, std::vector<Bytes>& out) {
                 const auto& eit = Psip(utc).eit[k];
                 out.insert(out.end(), eit.begin(), eit.end());
               });
      AddTable(static_cast<std::uint16_t>(kEttPidBase + k), kEttSeconds[k],
               [this, k](std::int64_t utc, std::vector<Bytes>& out) {
                 const auto& ett = Psip(utc).ett[k];
                 out.insert(out.end(), ett.begin(), ett.end());
               });
    }
  } else if (d.tables == TableSet::kDvb) {
    AddTable(kNitPid, 2.0, [this](std::int64_t, std::vector<Bytes>& out) {
      out.push_back(BuildNit(description_, 0));
    });
    AddTable(kSdtPid, 1.0, [this](std::int64_t, std::vector<Bytes>& out) {
      out.push_back(BuildSdt(description_, 0));
    });
    AddTable(kEitPid, 1.0, [this](std::int64_t utc, std::vector<Bytes>& out) {
      for (const ChannelDescription& c : description_.channels) {
        if (c.analog) continue;
        for (Bytes& s : BuildEitPresentFollowing(description_, c, utc))
          out.push_back(std::move(s));
      }
    });
    AddTable(kEitPid, 5.0, [this](std::int64_t utc, std::vector<Bytes>& out) {
      for (const ChannelDescription& c : description_.channels) {
        if (c.analog) continue;
        for (Bytes& s : BuildEitSchedule(description_, c, utc))
          out.push_back(std::move(s));
      }
    });
    AddTable(kTdtPid, 5.0,
             [](std::int64_t utc, std::vector<Bytes>& out) { out.push_back(BuildTdt(utc)); });
  }
}

void Multiplex::Release(EsStream& s, std::uint64_t now90) {
  if (!s.pes.empty() || s.units->empty()) return;
  const AccessUnit& unit = (*s.units)[s.next];
  const std::uint64_t relDts = s.loopCount * s.loopDuration + unit.dts;
  if (now90 < relDts + s.releaseLag) return;
  const std::uint64_t base = pcr0_ / 300 + kVideoLead90 + s.loopCount * s.loopDuration;
  s.pes = PesHeader(s.streamId, unit.data.size(), base + unit.pts, base + unit.dts, s.video);
  s.pes.insert(s.pes.end(), unit.data.begin(), unit.data.end());
  s.pesOffset = 0;
  s.pesDts = relDts;
  s.pesKey = s.video && unit.key;
  if (++s.next == s.units->size()) {
    s.next = 0;
    ++s.loopCount;
  }
}

void Multiplex::WriteEsPacket(EsStream& s, std::span<std::uint8_t, kPacketSize> out, bool withPcr) {
  PacketHeader h;
  h.pid = s.pid;
  h.payloadUnitStart = s.pesOffset == 0;
  h.continuityCounter = counters_.Next(s.pid);
  h.randomAccess = h.payloadUnitStart && s.pesKey;
  if (withPcr) {
    h.pcr = Pcr(slot_);
    s.lastPcrSlot = slot_;
    s.pcrSent = true;
  }
  s.pesOffset +=
      WritePacket(out, h, std::span(s.pes).subspan(s.pesOffset), Stuffing::kAdaptationField);
  if (s.pesOffset >= s.pes.size()) {
    s.pes.clear();
    s.pesOffset = 0;
  }
}

bool Multiplex::WriteSectionPacket(std::span<std::uint8_t, kPacketSize> out) {
  for (std::size_t i = 0; i < queues_.size(); ++i) {
    SectionQueue& q = queues_[(nextQueue_ + i) % queues_.size()];
    if (q.sections.empty()) continue;
    const Bytes& section = q.sections.front();
    PacketHeader h;
    h.pid = q.pid;
    h.payloadUnitStart = q.offset == 0;
    h.continuityCounter = counters_.Next(q.pid);
    q.offset += WritePacket(out, h, std::span(section).subspan(q.offset), Stuffing::kAfterPayload);
    if (q.offset >= section.size()) {
      q.sections.pop_front();
      q.offset = 0;
      // The next queue gets its turn only at a section boundary.
      nextQueue_ = (nextQueue_ + i + 1) % queues_.size();
    } else {
      nextQueue_ = (nextQueue_ + i) % queues_.size();
    }
    return true;
  }
  return false;
}

void Multiplex::NextPacket(std::span<std::uint8_t, kPacketSize> out) {
  const std::uint64_t now90 = Ticks90(slot_);
  for (EsStream& s : streams_)
    Release(s, now90);

  // A PCR that is due goes first: on the next packet of its stream, or alone.
  for (EsStream& s : streams_) {
    if (!s.carriesPcr || (s.pcrSent && slot_ - s.lastPcrSlot < pcrIntervalPackets_)) continue;
    if (!s.pes.empty()) {
      WriteEsPacket(s, out, true);
    } else {
      WritePcrPacket(out, s.pid, counters_.Last(s.pid), Pcr(slot_));
      s.lastPcrSlot = slot_;
      s.pcrSent = true;
    }
    return;
  }

  const std::int64_t utc = UtcNow();
  for (TableTimer& t : timers_) {
    if (slot_ < t.nextSlot) continue;
    t.nextSlot = slot_ + t.intervalPackets;
    std::vector<Bytes> sections;
    t.build(utc, sections);
    for (SectionQueue& q : queues_) {
      if (q.pid != t.pid) continue;
      for (Bytes& s : sections) {
        Bytes withPointer;
        withPointer.reserve(s.size() + 1);
        withPointer.push_back(0x00);  // pointer_field: the section starts right away
        withPointer.insert(withPointer.end(), s.begin(), s.end());
        q.sections.push_back(std::move(withPointer));
      }
    }
  }
  if (WriteSectionPacket(out)) return;

  EsStream* first = nullptr;
  for (EsStream& s : streams_) {
    if (!s.pes.empty() && (!first || s.pesDts < first->pesDts)) first = &s;
  }
  if (first) {
    WriteEsPacket(*first, out, false);
    return;
  }
  WriteNullPacket(out);
}

std::size_t Multiplex::Read(std::span<std::uint8_t> out) {
  const std::size_t packets = out.size() / kPacketSize;
  for (std::size_t i = 0; i < packets; ++i) {
    NextPacket(out.subspan(i * kPacketSize).first<kPacketSize>());
    ++slot_;
  }
  return packets * kPacketSize;
}

}  // namespace broadcast
