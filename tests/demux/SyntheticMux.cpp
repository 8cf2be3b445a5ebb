#include "tests/demux/SyntheticMux.h"

#include <cmath>

namespace demux::test {

namespace {

constexpr std::uint64_t kFrame90 = 3003;  // 29.97 frames per second
constexpr std::uint64_t kAudio90 = 2880;  // one AC-3 frame at 48 kHz
constexpr std::size_t kAudioFrameBytes = 768;
constexpr std::uint64_t kDelay90 = 45000;  // PTS lead over the PCR: 0.5 s

// Picture data behind plausible MPEG-2 headers (1920x1080, 29.97 Hz): a
// sequence header and extension before intra pictures, then the picture
// header and one slice start code. The rest is filler without start codes.
Bytes Picture(std::size_t size, bool intra, std::uint8_t seed) {
  Bytes picture;
  if (intra) {
    picture = {0x00, 0x00, 0x01, 0xB3, 0x78, 0x04, 0x38, 0x34, 0xFF, 0xFF, 0xE3,
               0x80, 0x00, 0x00, 0x01, 0xB5, 0x14, 0x42, 0x00, 0x01, 0x00, 0x00};
  }
  const Bytes header{0x00, 0x00, 0x01, 0x00, 0x00, static_cast<std::uint8_t>(intra ? 0x0F : 0x17),
                     0xFF, 0xF8, 0x00, 0x00, 0x01, 0x01};
  picture.insert(picture.end(), header.begin(), header.end());
  const Bytes fill = Pattern(size > picture.size() ? size - picture.size() : 0, seed);
  picture.insert(picture.end(), fill.begin(), fill.end());
  return picture;
}

// One AC-3 syncframe's worth: sync word and a 48 kHz, 192 kbit/s header.
Bytes AudioFrame(std::uint8_t seed) {
  Bytes frame = Pattern(kAudioFrameBytes, seed);
  const Bytes header{0x0B, 0x77, 0x00, 0x00, 0x14, 0x40, 0x43};
  std::copy(header.begin(), header.end(), frame.begin());
  return frame;
}

void Append(Bytes& out, const Bytes& more) {
  out.insert(out.end(), more.begin(), more.end());
}

void AppendPackets(std::vector<Bytes>& packets, const Bytes& stream) {
  for (std::size_t i = 0; i + 188 <= stream.size(); i += 188) {
    packets.emplace_back(stream.begin() + static_cast<std::ptrdiff_t>(i),
                         stream.begin() + static_cast<std::ptrdiff_t>(i + 188));
  }
}

}  // namespace

Bytes SyntheticMux(const MuxOptions& options, MuxCounts* counts) {
  TsWriter writer;
  MuxCounts tally;
  Bytes out;
  const double packetsPerSecond = options.muxBitsPerSecond / (188.0 * 8.0);
  const double ticksPerPacket = 27e6 / packetsPerSecond;
  const double frameSeconds = static_cast<double>(kFrame90) / 90000.0;
  const double averageFrame = options.videoBitsPerSecond / 8.0 * frameSeconds;
  const auto frames = static_cast<std::size_t>(options.seconds / frameSeconds);
  const std::uint64_t base90 = options.firstPcr / 300;

  std::uint64_t audio90 = 0;
  std::uint64_t nextTables90 = 0;
  std::uint64_t nextEit90 = 0;
  std::uint64_t packetIndex = 0;
  double budget = 0;
  for (std::size_t f = 0; f < frames; ++f) {
    const std::uint64_t frame90 = f * kFrame90;
    std::vector<Bytes> packets;

    // Video: a 15-frame GOP, I P B B ..., sizes weighted 5 : 2 : 0.75.
    const std::size_t gop = f % 15;
    const bool intra = gop == 0;
    const double weight = intra ? 5.0 : (gop % 3 == 0 ? 2.0 : 0.75);
    const auto size = static_cast<std::size_t>(averageFrame * weight / 1.3667);
    const Bytes picture = Picture(size, intra, static_cast<std::uint8_t>(f));
    const std::uint64_t pts = base90 + frame90 + kDelay90 + kFrame90;
    const std::uint64_t pcr =
        options.firstPcr + static_cast<std::uint64_t>(std::llround(packetIndex * ticksPerPacket));
    const bool reference = gop % 3 == 0;
    AppendPackets(
        packets,
        writer.Pes(options.videoPid, 0xE0, picture, pts % (1ull << 33),
                   reference ? std::optional<std::uint64_t>((pts - kFrame90) % (1ull << 33))
                             : std::nullopt,
                   false, {.pcr = pcr % ((1ull << 33) * 300), .randomAccess = intra}));
    ++tally.videoUnits;

    // Audio frames due by the end of this video frame.
    while (audio90 < frame90 + kFrame90) {
      AppendPackets(
          packets,
          writer.Pes(options.audioPid, 0xBD, AudioFrame(static_cast<std::uint8_t>(audio90)),
                     (base90 + audio90 + kDelay90) % (1ull << 33), std::nullopt, true));
      ++tally.audioUnits;
      audio90 += kAudio90;
    }

    // Tables: PAT, PMT, MGT and VCT every 100 ms, an EIT every 500 ms.
    if (frame90 >= nextTables90) {
      AppendPackets(packets, writer.Sections(0x0000, {MakePat(1, options.pmtPid)}));
      AppendPackets(packets, writer.Sections(
                                 options.pmtPid,
                                 {MakePmt(1, options.videoPid,
                                          {{0x02, options.videoPid}, {0x81, options.audioPid}})}));
      AppendPackets(packets, writer.Sections(options.psipPid,
                                             {MakeSection(0xC7, 120), MakeSection(0xC8, 230)}));
      tally.sections += 4;
      nextTables90 += 9000;
    }
    if (frame90 >= nextEit90) {
      AppendPackets(packets, writer.Sections(options.psipPid, {MakeSection(0xCB, 1500)}));
      ++tally.sections;
      nextEit90 += 45000;
    }

    // Fill the frame period up to the multiplex rate with null packets,
    // spread between the others.
    budget += packetsPerSecond * frameSeconds;
    const auto slots = static_cast<std::size_t>(budget);
    const std::size_t nulls = slots > packets.size() ? slots - packets.size() : 0;
    const Bytes null = TsWriter::Null();
    std::size_t nullsWritten = 0;
    for (std::size_t i = 0; i < packets.size(); ++i) {
      Append(out, packets[i]);
      const std::size_t due = nulls * (i + 1) / packets.size();
      for (; nullsWritten < due; ++nullsWritten)
        Append(out, null);
    }
    const std::size_t written = packets.size() + nulls;
    budget -= static_cast<double>(written);
    packetIndex += written;
  }
  if (counts != nullptr) *counts = tally;
  return out;
}

}  // namespace demux::test
