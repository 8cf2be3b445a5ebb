// Cuts an MPEG-2 video elementary stream file into the samples a
// demultiplexer would deliver: one coded picture per sample, with the
// sequence and group headers before a picture in the picture's sample, and
// stamps each with the presentation time its PES header would carry. A raw
// elementary stream has no times of its own; this one is derived from the
// sequence header's frame rate and the pictures' temporal references:
//   time = (pictures of the previous groups + temporal_reference) x frame period,
// counting a group's pictures as its highest temporal reference + 1, so the
// first picture of the stream in display order is at 0. (A stream without
// group headers counts as one group.)
//
// The scanner is byte-driven like the extractor; the headers of a completed
// sample are read through a bounds-checked reader, and a sample whose header
// fields are cut short, or that comes before any sequence header, has no
// time.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <vector>

namespace capsift {

struct EsSample {
  std::vector<std::uint8_t> bytes;
  std::optional<std::int64_t> startTime;  // 100 ns units
};

class EsPictureSamples {
 public:
  // Appends the samples completed by these bytes to `out`.
  void Push(std::span<const std::uint8_t> bytes, std::vector<EsSample>& out);
  // The last sample (at the end of the file).
  void Finish(std::vector<EsSample>& out);

  // Frame period in 100 ns units of an MPEG-2 frame_rate_code; 0 when the
  // code is reserved.
  static std::int64_t FramePeriod(unsigned frameRateCode);

 private:
  void Complete(std::vector<std::uint8_t> bytes, std::vector<EsSample>& out);

  std::vector<std::uint8_t> current_;
  bool currentHasPicture_ = false;
  std::uint32_t shift_ = 0xFFFFFFFF;

  std::int64_t framePeriod_ = 0;
  std::int64_t groupBase_ = 0;      // pictures before the current group
  std::int64_t groupPictures_ = 0;  // highest temporal reference + 1 in it
};

}  // namespace capsift
