#include "filters/sink/Packetiser.h"

#include <algorithm>
#include <cstring>

#include "filters/sink/Ac3SyncFrame.h"
#include "filters/sink/PsFormat.h"

namespace filters {
namespace {

constexpr std::size_t kMinPadding = 6;  // a padding packet's own header

std::uint8_t StreamIdOf(PinType pin) {
  switch (pin) {
    case PinType::kVideo:
      return kStreamVideo;
    case PinType::kAudio:
      return kStreamPrivate1;
    case PinType::kText:
      return kStreamPrivate2;
  }
  return kStreamVideo;
}

std::size_t SubstreamBytes(PinType pin) {
  return pin == PinType::kAudio ? 4 : pin == PinType::kText ? 1 : 0;
}

}  // namespace

std::size_t Packetiser::Output::PackCount() const {
  return packs.size() / kPackSize;
}

void Packetiser::Build(const SampleGroup& group, Output& out) {
  out.packs.clear();
  out.firstInterpolatedScr = 0;
  const std::size_t groupBytes = std::min(group.bytes, group.stream.size());
  std::size_t offset = 0;
  if (group.pin == PinType::kAudio && ac3Started_ == 0) {
    offset = FindAc3SyncFrame(group.stream, 0, groupBytes);
  }
  if (offset >= groupBytes) return;

  const std::size_t substream = SubstreamBytes(group.pin);
  const std::uint8_t streamId = StreamIdOf(group.pin);
  bool first = true;
  out.packs.reserve((groupBytes - offset) / 2000 * kPackSize + kPackSize);
  while (offset < groupBytes) {
    if (first && group.startScr > runningScr_) runningScr_ = group.startScr;
    if (runningScr_ < 0) runningScr_ = 0;

    // Timestamps on the group's first pack only.
    unsigned timestampBytes = 0;
    const bool withDts = first && group.pin == PinType::kVideo && group.hasPts && group.hasDts &&
                         group.dts != group.pts;
    if (first && group.hasPts) timestampBytes = withDts ? 10 : 5;

    const std::size_t headerSize = 9 + timestampBytes + substream;
    const std::size_t room = kPesRoom - headerSize;
    const std::size_t payload = std::min(groupBytes - offset, room);
    const bool padded = payload + kMinPadding < room;
    const std::size_t stuffing = padded ? 0 : room - payload;

    const std::size_t packStart = out.packs.size();
    out.packs.resize(packStart + kPackSize);
    std::uint8_t* pack = out.packs.data() + packStart;
    WritePackHeader(std::span<std::uint8_t, kPackHeaderSize>(pack, kPackHeaderSize), runningScr_);

    std::uint8_t* pes = pack + kPackHeaderSize;
    const std::size_t pesLength = 3 + timestampBytes + stuffing + substream + payload;
    pes[0] = 0x00;
    pes[1] = 0x00;
    pes[2] = 0x01;
    pes[3] = streamId;
    pes[4] = static_cast<std::uint8_t>(pesLength >> 8);
    pes[5] = static_cast<std::uint8_t>(pesLength);
    pes[6] = 0x81;
    pes[7] = timestampBytes == 10 ? 0xC0 : timestampBytes == 5 ? 0x80 : 0x00;
    pes[8] = static_cast<std::uint8_t>(timestampBytes + stuffing);
    std::uint8_t* p = pes + 9;
    if (timestampBytes != 0) {
      WriteTimestamp(std::span<std::uint8_t, 5>(p, 5), withDts ? 3 : 2, group.pts);
      p += 5;
      if (withDts) {
        WriteTimestamp(std::span<std::uint8_t, 5>(p, 5), 1, group.dts);
        p += 5;
      }
    }
    std::memset(p, 0xFF, stuffing);
    p += stuffing;

    if (group.pin == PinType::kAudio) {
      unsigned frames = 0;
      std::size_t firstFrame = 0;
      for (std::size_t i = offset; i < offset + payload; ++i) {
        if (group.stream[i] == 0x0B && IsAc3SyncFrame(group.stream, i)) {
          if (frames == 0) firstFrame = i - offset + 1;
          ++frames;
        }
      }
      p[0] = kSubstreamAc3;
      p[1] = static_cast<std::uint8_t>(std::min(frames, 255u));
      p[2] = static_cast<std::uint8_t>(firstFrame >> 8);
      p[3] = static_cast<std::uint8_t>(firstFrame);
      p += 4;
      ++ac3Started_;
    } else if (group.pin == PinType::kText) {
      *p++ = kSubstreamText;
    }
    std::memcpy(p, group.stream.data() + offset, payload);
    p += payload;
    if (padded) {
      WritePadding(std::span<std::uint8_t>(p, pack + kPackSize - p));
    }

    if (first) {
      std::int64_t interpolated = group.startScr;
      if (group.endScr > group.startScr && group.startScr >= 0) {
        interpolated += static_cast<std::int64_t>(offset) * (group.endScr - group.startScr) /
                        static_cast<std::int64_t>(groupBytes);
      }
      out.firstInterpolatedScr = interpolated >= 0 ? interpolated : runningScr_;
    }
    ++runningScr_;
    offset += payload;
    first = false;
  }
}

}  // namespace filters
