#include "tests/vtuner/TestCapture.h"

#include <stdexcept>

#include "tests/support/Psi.h"

namespace vtuner::test {
namespace {

constexpr std::uint64_t kWrap33 = 1ull << 33;

class Writer {
 public:
  std::vector<std::uint8_t> bytes;

  // One packet: header, an adaptation field when a PCR is given or the payload
  // is short (stuffed to fill), then the payload. No payload means
  // adaptation_field_control 2.
  void Packet(std::uint16_t pid, bool unitStart, std::uint8_t counter,
              std::optional<std::uint64_t> pcr, std::span<const std::uint8_t> payload,
              bool discontinuity = false) {
    const std::size_t start = bytes.size();
    const bool needField = pcr.has_value() || payload.size() < 184;
    bytes.push_back(0x47);
    bytes.push_back(static_cast<std::uint8_t>((unitStart ? 0x40 : 0) | pid >> 8));
    bytes.push_back(static_cast<std::uint8_t>(pid));
    const std::uint8_t control = (needField ? 0x20 : 0) | (payload.empty() ? 0 : 0x10);
    bytes.push_back(static_cast<std::uint8_t>(control | (counter & 0x0F)));
    if (needField) {
      const std::size_t length = 183 - payload.size();
      bytes.push_back(static_cast<std::uint8_t>(length));
      if (length > 0) {
        bytes.push_back(
            static_cast<std::uint8_t>((pcr ? 0x10 : 0x00) | (discontinuity ? 0x80 : 0)));
        std::size_t used = 1;
        if (pcr) {
          const std::uint64_t base = *pcr / 300, ext = *pcr % 300;
          bytes.push_back(static_cast<std::uint8_t>(base >> 25));
          bytes.push_back(static_cast<std::uint8_t>(base >> 17));
          bytes.push_back(static_cast<std::uint8_t>(base >> 9));
          bytes.push_back(static_cast<std::uint8_t>(base >> 1));
          bytes.push_back(static_cast<std::uint8_t>((base & 1) << 7 | 0x7E | ext >> 8));
          bytes.push_back(static_cast<std::uint8_t>(ext));
          used += 6;
        }
        bytes.insert(bytes.end(), length - used, 0xFF);
      }
    }
    bytes.insert(bytes.end(), payload.begin(), payload.end());
    if (bytes.size() - start != 188) throw std::logic_error("packet size");
  }
};

void PutTimestamp(std::vector<std::uint8_t>& out, unsigned prefix, std::uint64_t value) {
  value %= kWrap33;
  out.push_back(static_cast<std::uint8_t>(prefix << 4 | (value >> 29 & 0x0E) | 1));
  out.push_back(static_cast<std::uint8_t>(value >> 22));
  out.push_back(static_cast<std::uint8_t>((value >> 14 & 0xFE) | 1));
  out.push_back(static_cast<std::uint8_t>(value >> 7));
  out.push_back(static_cast<std::uint8_t>((value << 1 & 0xFE) | 1));
}

// The programme tables behind their pointer fields, one packet each.
std::vector<std::uint8_t> Pat() {
  return testsupport::WithPointerField(testsupport::Pat(0x0001, {{1, kPmtPid}}));
}

std::vector<std::uint8_t> Pmt() {
  return testsupport::WithPointerField(
      testsupport::Pmt(1, kVideoPid, {{0x02, kVideoPid}, {0x81, kAudioPid}}));
}

}  // namespace

std::uint64_t PcrAt(const CaptureLayout& layout, std::int64_t index) {
  return layout.firstPcr + static_cast<std::uint64_t>(index) * layout.ticksPerPacket;
}

std::vector<std::uint8_t> MakeCapture(const CaptureLayout& layout) {
  Writer writer;
  std::uint8_t patCounter = 0, pmtCounter = 0, nullCounter = 0;
  std::uint8_t videoCounter = layout.videoFirstCounter, audioCounter = layout.audioFirstCounter;
  int videoPackets = 0, audioPackets = 0;
  const auto pat = Pat(), pmt = Pmt();
  for (int i = 0; i < layout.packets; ++i) {
    const std::uint64_t time90 = PcrAt(layout, i) / 300;
    std::vector<std::uint8_t> payload;
    if (layout.withPcr && i % layout.pcrInterval == 0) {
      // The PCR packet; every third carries no payload at all.
      const bool bare = (i / layout.pcrInterval + layout.bareShift) % 3 == 1;
      if (!bare) payload.assign(100, static_cast<std::uint8_t>(i));
      // Without payload the counter stays at the previous packet's value.
      const auto counter = static_cast<std::uint8_t>(bare ? videoCounter - 1 : videoCounter++);
      writer.Packet(kVideoPid, false, counter, PcrAt(layout, i), payload,
                    layout.discontinuityAtStart && i == 0);
      continue;
    }
    if (i % 50 == 1) {
      writer.Packet(0x0000, true, patCounter++, std::nullopt, pat);
    } else if (i % 50 == 3) {
      writer.Packet(kPmtPid, true, pmtCounter++, std::nullopt, pmt);
    } else if (i % 9 == 4) {
      const bool start = audioPackets++ % 4 == 0;
      if (start) {
        payload = {0x00, 0x00, 0x01, 0xC0, 0x00, 0x00, 0x80, 0x80, 0x05};
        PutTimestamp(payload, 0x2, time90 + 20'000);
      }
      payload.resize(184, static_cast<std::uint8_t>(i * 7));
      writer.Packet(kAudioPid, start, audioCounter++, std::nullopt, payload);
    } else if (i % 17 == 8) {
      payload.assign(184, 0xFF);
      writer.Packet(0x1FFF, false, nullCounter, std::nullopt, payload);
    } else {
      const bool start = videoPackets++ % 15 == 0;
      if (start) {
        payload = {0x00, 0x00, 0x01, 0xE0, 0x00, 0x00, 0x80, 0xC0, 0x0A};
        PutTimestamp(payload, 0x3, time90 + 30'000);
        PutTimestamp(payload, 0x1, time90 + 27'000);
      }
      payload.resize(184, static_cast<std::uint8_t>(i * 3));
      writer.Packet(kVideoPid, start, videoCounter++, std::nullopt, payload);
    }
  }
  return writer.bytes;
}

PacketView View(std::span<const std::uint8_t> p) {
  if (p.size() != 188 || p[0] != 0x47) throw std::runtime_error("not a packet");
  PacketView view;
  view.pid = static_cast<std::uint16_t>((p[1] & 0x1F) << 8 | p[2]);
  view.unitStart = (p[1] & 0x40) != 0;
  view.hasPayload = (p[3] & 0x10) != 0;
  view.counter = p[3] & 0x0F;
  std::size_t payload = 4;
  if (p[3] & 0x20) {
    const std::size_t length = p[4];
    payload = 5 + length;
    if (length > 0) {
      view.discontinuity = (p[5] & 0x80) != 0;
      if (p[5] & 0x10) {
        const std::uint64_t base = std::uint64_t{p[6]} << 25 | std::uint64_t{p[7]} << 17 |
                                   std::uint64_t{p[8]} << 9 | std::uint64_t{p[9]} << 1 | p[10] >> 7;
        view.pcr = base * 300 + ((p[10] & 1u) << 8 | p[11]);
      }
    }
  }
  auto timestamp = [&](std::size_t at) {
    return (std::uint64_t{p[at]} >> 1 & 7) << 30 | std::uint64_t{p[at + 1]} << 22 |
           std::uint64_t{p[at + 2]} >> 1 << 15 | std::uint64_t{p[at + 3]} << 7 | p[at + 4] >> 1;
  };
  if (view.unitStart && view.hasPayload && payload + 14 <= 188 && p[payload] == 0 &&
      p[payload + 1] == 0 && p[payload + 2] == 1) {
    const unsigned flags = p[payload + 7] >> 6;
    if (flags & 2) view.pts = timestamp(payload + 9);
    if (flags == 3) view.dts = timestamp(payload + 14);
  }
  return view;
}

}  // namespace vtuner::test
