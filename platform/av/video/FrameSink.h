// CFrameSink: the video surface of a program without a window. It counts the
// frames presented, keeps a copy of the last one with its stream time and
// the caption layer, and saves snapshots of them as PNG files. Frames are
// copied and pictures converted outside its lock, so a presenting thread
// never waits for a conversion.
#pragma once

#include <cstdint>
#include <memory>
#include <mutex>

#include "platform/av/video/FrameImage.h"
#include "platform/av/video/VideoSurface.h"

namespace av::video {

class CFrameSink : public VideoSurface {
 public:
  // The surface's size: what a layout into it sees.
  explicit CFrameSink(long width = 0, long height = 0);

  void Present(const VideoFrame& frame) override;
  void SetPlacement(const Placement& placement) override;
  void SetCaption(const CaptionPicture& caption) override;
  void Clear() override;
  void Repaint() override;
  bool Snapshot(const std::string& path) override;
  common::VideoRect ClientRect() const override;
  void Place(const common::VideoRect& geometry) override;

  std::uint64_t FramesPresented() const;
  // Stream time of the last frame presented (0 before any).
  std::int64_t LastStreamTime() const;
  // The last frame's size (0 x 0 before any, and after Clear).
  int LastWidth() const;
  int LastHeight() const;
  Placement CurrentPlacement() const;
  int Repaints() const;
  // Where the surface was placed last.
  common::VideoRect Geometry() const;
  // What a snapshot would save now (empty without a frame).
  RgbaImage Picture() const;

 private:
  mutable std::mutex mutex_;
  common::VideoRect geometry_;
  std::uint64_t frames_ = 0;
  int repaints_ = 0;
  std::shared_ptr<const OwnedFrame> last_;
  std::shared_ptr<const CaptionPicture> caption_;
  Placement placement_;
};

}  // namespace av::video
