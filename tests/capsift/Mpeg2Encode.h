// Real MPEG-2 video from libavcodec's mpeg2video encoder, with CEA-608 pairs
// attached to input frames as A/53 caption side data (the encoder writes them
// as "GA94" user data of each picture, in coded order).
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace capsift::test {

struct EncodeOptions {
  int width = 176;
  int height = 144;
  int frames = 45;
  int gopSize = 15;
  int bFrames = 2;
  bool closedGop = false;
  bool interlaced = false;  // interlaced DCT and motion estimation, top field first
  std::int64_t bitRate = 300000;
  // cc_data constructs (three bytes each) for display frame n; empty for none.
  std::function<std::vector<std::uint8_t>(int)> constructs;
};

struct EncodedPacket {
  std::vector<std::uint8_t> data;
  std::int64_t startTime;  // presentation time, 100 ns units
};

inline constexpr int kFramesPerSecond = 25;
inline constexpr std::int64_t kFrameDuration = 10'000'000 / kFramesPerSecond;

// Encodes a moving test picture; packets in coded order. Throws
// std::runtime_error when libavcodec refuses.
std::vector<EncodedPacket> EncodeMpeg2(const EncodeOptions& options);

}  // namespace capsift::test
