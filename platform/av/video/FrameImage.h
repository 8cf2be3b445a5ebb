// Turning a video frame into an RGBA picture: the shown part of the frame
// converted (BT.601, studio range for YUV), with the caption layer scaled over
// it. What a snapshot saves and what a window draws.
#pragma once

#include <cstdint>
#include <vector>

#include "platform/av/video/VideoSurface.h"

namespace av::video {

// RGBA bytes, rows top first, four bytes a pixel.
struct RgbaImage {
  int width = 0;
  int height = 0;
  std::vector<std::uint8_t> pixels;
};

// A frame whose planes the holder owns (a copy of a lent frame).
class OwnedFrame {
 public:
  OwnedFrame() = default;
  explicit OwnedFrame(const VideoFrame& frame);
  // The planes point into the bytes: a copy would point into the original.
  OwnedFrame(const OwnedFrame&) = delete;
  OwnedFrame& operator=(const OwnedFrame&) = delete;

  bool IsEmpty() const { return frame_.width <= 0 || frame_.height <= 0; }
  const VideoFrame& Frame() const { return frame_; }

 private:
  VideoFrame frame_;
  std::vector<std::uint8_t> bytes_;
};

// The part `source` of the frame (empty: all of it, clipped to the picture).
RgbaImage ConvertFrame(const VideoFrame& frame, const common::VideoRect& source);

// Lays the caption over the whole image, scaled to its size (nearest pixel),
// blended by the caption's alpha.
void BlendCaption(RgbaImage& image, const CaptionPicture& caption);

}  // namespace av::video
