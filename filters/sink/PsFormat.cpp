#include "filters/sink/PsFormat.h"

#include <algorithm>

#include "common/MpegTimestamps.h"
#include "common/TimeBase.h"

namespace filters {

void WritePackHeader(std::span<std::uint8_t, kPackHeaderSize> out, std::int64_t scr27) {
  out[0] = 0x00;
  out[1] = 0x00;
  out[2] = 0x01;
  out[3] = kPackStart;
  common::WriteScr(out.subspan<4, common::kScrSize>(),
                   static_cast<std::uint64_t>(common::FloorMod(scr27, kWrap27)));
  out[10] = static_cast<std::uint8_t>(kProgramMuxRate >> 14);
  out[11] = static_cast<std::uint8_t>(kProgramMuxRate >> 6);
  out[12] = static_cast<std::uint8_t>(((kProgramMuxRate << 2) & 0xFC) | 0x03);
  out[13] = 0xF8;  // five reserved bits, pack stuffing length 0
}

void WriteSystemHeader(std::span<std::uint8_t, kSystemHeaderSize> out) {
  constexpr std::uint32_t kRateBound = 200000;
  const std::uint8_t bytes[kSystemHeaderSize] = {
      0x00, 0x00, 0x01, kSystemHeaderStart, 0x00, 12,
      // marker, rate_bound (22), marker
      static_cast<std::uint8_t>(0x80 | (kRateBound >> 15)),
      static_cast<std::uint8_t>(kRateBound >> 7),
      static_cast<std::uint8_t>(((kRateBound << 1) & 0xFE) | 0x01),
      // audio_bound 1, fixed 0, CSPS 0
      static_cast<std::uint8_t>(1 << 2),
      // system audio lock 1, system video lock 1, marker, video_bound 1
      static_cast<std::uint8_t>(0x80 | 0x40 | 0x20 | 1),
      // packet rate restriction 0, seven reserved bits
      0x7F,
      // video stream: '11', scale 1, size bound 1192
      kStreamVideo, static_cast<std::uint8_t>(0xC0 | 0x20 | (1192 >> 8)),
      static_cast<std::uint8_t>(1192 & 0xFF),
      // private stream 1: '11', scale 0, size bound 32
      kStreamPrivate1, static_cast<std::uint8_t>(0xC0 | (32 >> 8)), static_cast<std::uint8_t>(32)};
  std::copy(std::begin(bytes), std::end(bytes), out.begin());
}

void WriteTimestamp(std::span<std::uint8_t, 5> out, unsigned prefix, std::int64_t time27) {
  const auto ts = static_cast<std::uint64_t>(
      common::FloorMod(common::FloorDiv(time27, kTicksPer90k), kWrap90k));
  common::WritePesTimestamp(out, prefix, ts);
}

void WritePadding(std::span<std::uint8_t> out) {
  const std::size_t length = out.size() - 6;
  out[0] = 0x00;
  out[1] = 0x00;
  out[2] = 0x01;
  out[3] = kStreamPadding;
  out[4] = static_cast<std::uint8_t>(length >> 8);
  out[5] = static_cast<std::uint8_t>(length);
  std::fill(out.begin() + 6, out.end(), std::uint8_t{0xFF});
}

void WriteFileStartPack(std::span<std::uint8_t, kPackSize> out, std::int64_t scr27) {
  WritePackHeader(out.first<kPackHeaderSize>(), scr27);
  WriteSystemHeader(out.subspan<kPackHeaderSize, kSystemHeaderSize>());
  WritePadding(out.subspan(kPackHeaderSize + kSystemHeaderSize));
}

}  // namespace filters
