#include "platform/av/video/FrameSink.h"

#include "platform/av/video/PngFile.h"

namespace av::video {

CFrameSink::CFrameSink(long width, long height) : geometry_{0, 0, width, height} {}

void CFrameSink::Present(const VideoFrame& frame) {
  auto copy = std::make_shared<const OwnedFrame>(frame);
  std::lock_guard lock(mutex_);
  ++frames_;
  last_.swap(copy);
}

void CFrameSink::SetPlacement(const Placement& placement) {
  std::lock_guard lock(mutex_);
  placement_ = placement;
}

void CFrameSink::SetCaption(const CaptionPicture& caption) {
  auto copy = caption.width > 0 ? std::make_shared<const CaptionPicture>(caption) : nullptr;
  std::lock_guard lock(mutex_);
  caption_.swap(copy);
}

void CFrameSink::Clear() {
  std::lock_guard lock(mutex_);
  last_.reset();
}

void CFrameSink::Repaint() {
  std::lock_guard lock(mutex_);
  ++repaints_;
}

RgbaImage CFrameSink::Picture() const {
  std::shared_ptr<const OwnedFrame> frame;
  std::shared_ptr<const CaptionPicture> caption;
  common::VideoRect source;
  {
    std::lock_guard lock(mutex_);
    frame = last_;
    caption = caption_;
    source = placement_.source;
  }
  if (!frame || frame->IsEmpty()) return {};
  RgbaImage image = ConvertFrame(frame->Frame(), source);
  if (caption) BlendCaption(image, *caption);
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
  return last_ ? last_->Frame().streamTime : 0;
}

int CFrameSink::LastWidth() const {
  std::lock_guard lock(mutex_);
  return last_ ? last_->Frame().width : 0;
}

int CFrameSink::LastHeight() const {
  std::lock_guard lock(mutex_);
  return last_ ? last_->Frame().height : 0;
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
