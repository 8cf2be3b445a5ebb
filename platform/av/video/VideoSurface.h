// The surface a video renderer draws on: a window's widget when the program
// has a window, a headless frame sink when it has none.
//
// A renderer calls Present from its streaming thread with a frame it lends for
// the call only; the surface copies what it keeps and returns without waiting
// for any other thread (a window repaints later, on its own thread). The
// placement (the part of the picture to show and where it goes on the
// surface), the caption layer and Clear may come from any thread.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "common/VideoLayout.h"

namespace av::video {

enum class PixelLayout {
  kI420,   // planes Y, Cb, Cr; chroma halved in both directions
  kYV12,   // planes Y, Cr, Cb
  kRgb32,  // one plane of 4-byte pixels B, G, R, x; rows top first
};

struct VideoFrame {
  PixelLayout layout = PixelLayout::kI420;
  int width = 0;
  int height = 0;
  const std::uint8_t* planes[3] = {nullptr, nullptr, nullptr};
  int strides[3] = {0, 0, 0};
  long aspectX = 0;  // display aspect of the whole picture, 0 unknown
  long aspectY = 0;
  std::int64_t streamTime = 0;  // 100 ns units
};

// A caption picture laid over the whole video: RGBA bytes (straight alpha),
// rows top first.
struct CaptionPicture {
  int width = 0;
  int height = 0;
  std::vector<std::uint8_t> rgba;
};

struct Placement {
  common::VideoRect source;        // picture pixels to show (empty: all)
  common::VideoRect destination;   // surface pixels to fill (empty: the whole surface)
  std::uint32_t borderColour = 0;  // 0x00BBGGRR around the destination
};

class VideoSurface {
 public:
  virtual ~VideoSurface() = default;

  virtual void Present(const VideoFrame& frame) = 0;
  virtual void SetPlacement(const Placement& placement) = 0;
  // The caption layer; an empty picture removes it.
  virtual void SetCaption(const CaptionPicture& caption) = 0;
  // Forgets the last frame: the surface shows the border colour only.
  virtual void Clear() = 0;
  // Redraws the last frame (a window after it was uncovered).
  virtual void Repaint() = 0;
  // Writes the shown part of the last frame at picture size with the caption
  // layer over it, as a PNG file; false without a frame or on a write error.
  virtual bool Snapshot(const std::string& path) = 0;
  // The surface's size in pixels (0 x 0 when unknown).
  virtual common::VideoRect ClientRect() const = 0;
  // Moves the surface in its parent window and gives it the size of the
  // rectangle (a video window laid out, a renderer's own window placed).
  virtual void Place(const common::VideoRect& geometry) = 0;
};

}  // namespace av::video
