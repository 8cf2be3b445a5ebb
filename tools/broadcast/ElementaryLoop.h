// The elementary streams of a synthetic channel: a short loop of MPEG-2 video
// (29.97 frames/s, two B-frames, closed groups of 15 pictures) carrying
// CEA-608 captions as ATSC A/53 user data, and AC-3 stereo audio with a tone
// of the channel's own pitch. Encoded once with libavcodec and cached; the
// multiplexer plays it in a loop with timestamps that run on.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "tools/broadcast/BitWriter.h"
#include "tools/broadcast/Cea608.h"
#include "tools/broadcast/Description.h"

namespace broadcast {

struct LoopOptions {
  int width = 640;
  int height = 360;
  int frames = 120;  // a multiple of the 15-picture group: 120 = 4.004 s
  int videoBitRate = 1'500'000;
  int audioBitRate = 192'000;
};

struct AccessUnit {
  std::uint64_t pts = 0;  // 90 kHz, from the loop's start
  std::uint64_t dts = 0;
  bool key = false;
  Bytes data;
};

struct EncodedLoop {
  std::vector<AccessUnit> video;    // decode order; empty for radio
  std::uint64_t videoDuration = 0;  // 90 kHz
  std::vector<AccessUnit> audio;
  std::uint64_t audioDuration = 0;
  // The field-1 caption pair of every frame, in display order (the null pair
  // where no caption data is sent).
  std::vector<CaptionPair> captions;
};

// The caption texts of a channel's loop, each one or two rows.
std::vector<std::vector<std::string>> LoopCaptionTexts(const ChannelDescription& channel);

// Tone of the channel: left and right frequency in hertz (multiples of 0.25 Hz,
// so the four-second audio loop holds whole cycles).
std::pair<double, double> ChannelTone(const ChannelDescription& channel);

// Encodes the loop. False and `error` when a codec is missing or fails.
bool EncodeLoop(const ChannelDescription& channel, const LoopOptions& options, EncodedLoop& out,
                std::string& error);

// The cache folder: $XDG_CACHE_HOME/Corvane DVR/broadcast, or
// ~/.cache/Corvane DVR/broadcast.
std::filesystem::path DefaultCacheFolder();

// Loads the loop from `cacheFolder` when a matching one was stored, else
// encodes and stores it (an empty folder disables the cache).
bool LoadOrEncodeLoop(const ChannelDescription& channel, const LoopOptions& options,
                      const std::filesystem::path& cacheFolder, EncodedLoop& out,
                      std::string& error);

// Serialisation of a loop (the cache file format).
Bytes SerializeLoop(const EncodedLoop& loop);
bool DeserializeLoop(std::span<const std::uint8_t> bytes, EncodedLoop& out);

}  // namespace broadcast
