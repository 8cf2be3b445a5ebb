#include "platform/av/video/FrameSink.h"

#include "platform/av/video/PngFile.h"

namespace av::video {

CFrameSink::CFrameSink(long width, long height) : geometry_{0, 0, width, height} {}

void CFrameSink::Present(const VideoFrame& frame) {
  OwnedFrame copy(frame);  // copied outside the lock
  std::lock_guard lock(mutex_);
  ++frames_;
  last_ = std::move(copy);
}

void CFrameSink::SetPlacement(const Placement& placement) {
  std::lock_guard lock(mutex_);
  placement_ = placement;
}

void CFrameSink::SetCaption(const CaptionPicture& caption) {
  std::lock_guard lock(mutex_);
  caption_ = caption;
}

void CFrameSink::Clear() {
  std::lock_guard lock(mutex_);
  last_ = OwnedFrame();
}

void CFrameSink::Repaint() {
  std::lock_guard lock(mutex_);
  ++repaints_;
}

RgbaImage CFrameSink::Picture() const {
  std::lock_guard lock(mutex_);
  if (last_.IsEmpty()) return {};
  RgbaImage image = ConvertFrame(last_.Frame(), placement_.source);
  BlendCaption(image, caption_);
  return image;
}

bool CFrameSink::Snapshot(const std::string& path) {
  const RgbaImage image = Picture();
  return image.width > 0 && WritePng(path, image);
}

common::VideoRect CFrameSink::ClientRect() const {
  std::lock_guard lock(mutex_);
  return {0, 0, geometry_.Width(), geometry_.Height()};
}

void CFrameSink::Place(const common::VideoRect& geometry) {
  std::lock_guard lock(mutex_);
  geometry_ = geometry;
}

common::VideoRect CFrameSink::Geometry() const {
  std::lock_guard lock(mutex_);
  return geometry_;
}

std::uint64_t CFrameSink::FramesPresented() const {
  std::lock_guard lock(mutex_);
  return frames_;
}

std::int64_t CFrameSink::LastStreamTime() const {
  std::lock_guard lock(mutex_);
  return last_.Frame().streamTime;
}

int CFrameSink::LastWidth() const {
  std::lock_guard lock(mutex_);
  return last_.Frame().width;
}

int CFrameSink::LastHeight() const {
  std::lock_guard lock(mutex_);
  return last_.Frame().height;
}

Placement CFrameSink::CurrentPlacement() const {
  std::lock_guard lock(mutex_);
  return placement_;
}

int CFrameSink::Repaints() const {
  std::lock_guard lock(mutex_);
  return repaints_;
}

}  // namespace av::video
