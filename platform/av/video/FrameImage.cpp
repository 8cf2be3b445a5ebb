#include "platform/av/video/FrameImage.h"

#include <algorithm>
#include <cstring>

namespace av::video {
namespace {

std::uint8_t Clamp8(int value) {
  return static_cast<std::uint8_t>(std::clamp(value, 0, 255));
}

// BT.601 studio range in 16.16 fixed point.
void YuvToRgb(int y, int cb, int cr, std::uint8_t* out) {
  const int c = (y - 16) * 76309;
  const int d = cb - 128;
  const int e = cr - 128;
  out[0] = Clamp8((c + 104597 * e + 32768) >> 16);
  out[1] = Clamp8((c - 25675 * d - 53279 * e + 32768) >> 16);
  out[2] = Clamp8((c + 132201 * d + 32768) >> 16);
  out[3] = 255;
}

int ChromaHeight(const VideoFrame& frame, int plane) {
  return plane == 0 || frame.layout == PixelLayout::kRgb32 ? frame.height : (frame.height + 1) / 2;
}

int RowBytes(const VideoFrame& frame, int plane) {
  if (frame.layout == PixelLayout::kRgb32) return frame.width * 4;
  return plane == 0 ? frame.width : (frame.width + 1) / 2;
}

int PlaneCount(const VideoFrame& frame) {
  return frame.layout == PixelLayout::kRgb32 ? 1 : 3;
}

}  // namespace

OwnedFrame::OwnedFrame(const VideoFrame& frame) : frame_(frame) {
  std::size_t total = 0;
  for (int p = 0; p < PlaneCount(frame); ++p) {
    total += static_cast<std::size_t>(RowBytes(frame, p)) * ChromaHeight(frame, p);
  }
  bytes_.resize(total);
  std::uint8_t* out = bytes_.data();
  for (int p = 0; p < 3; ++p) {
    if (p >= PlaneCount(frame) || frame.planes[p] == nullptr) {
      frame_.planes[p] = nullptr;
      frame_.strides[p] = 0;
      continue;
    }
    const int rowBytes = RowBytes(frame, p);
    const int rows = ChromaHeight(frame, p);
    for (int row = 0; row < rows; ++row) {
      std::memcpy(out + static_cast<std::size_t>(row) * rowBytes,
                  frame.planes[p] + static_cast<std::ptrdiff_t>(row) * frame.strides[p], rowBytes);
    }
    frame_.planes[p] = out;
    frame_.strides[p] = rowBytes;
    out += static_cast<std::size_t>(rowBytes) * rows;
  }
}

RgbaImage ConvertFrame(const VideoFrame& frame, const common::VideoRect& source) {
  common::VideoRect shown{0, 0, frame.width, frame.height};
  if (!source.IsEmpty()) {
    shown = {std::max(0L, source.left), std::max(0L, source.top),
             std::min<long>(frame.width, source.right),
             std::min<long>(frame.height, source.bottom)};
    if (shown.IsEmpty()) shown = {0, 0, frame.width, frame.height};
  }
  RgbaImage image;
  if (frame.width <= 0 || frame.height <= 0 || frame.planes[0] == nullptr) return image;
  image.width = static_cast<int>(shown.Width());
  image.height = static_cast<int>(shown.Height());
  image.pixels.resize(static_cast<std::size_t>(image.width) * image.height * 4);
  const bool yv12 = frame.layout == PixelLayout::kYV12;
  const std::uint8_t* cbPlane = frame.planes[yv12 ? 2 : 1];
  const std::uint8_t* crPlane = frame.planes[yv12 ? 1 : 2];
  const int cbStride = frame.strides[yv12 ? 2 : 1];
  const int crStride = frame.strides[yv12 ? 1 : 2];
  for (int row = 0; row < image.height; ++row) {
    const long y = shown.top + row;
    std::uint8_t* out = image.pixels.data() + static_cast<std::size_t>(row) * image.width * 4;
    if (frame.layout == PixelLayout::kRgb32) {
      const std::uint8_t* in = frame.planes[0] + y * frame.strides[0] + shown.left * 4;
      for (int x = 0; x < image.width; ++x, in += 4, out += 4) {
        out[0] = in[2];
        out[1] = in[1];
        out[2] = in[0];
        out[3] = 255;
      }
      continue;
    }
    const std::uint8_t* luma = frame.planes[0] + y * frame.strides[0];
    const std::uint8_t* cb = cbPlane ? cbPlane + (y / 2) * cbStride : nullptr;
    const std::uint8_t* cr = crPlane ? crPlane + (y / 2) * crStride : nullptr;
    for (int x = 0; x < image.width; ++x, out += 4) {
      const long px = shown.left + x;
      YuvToRgb(luma[px], cb ? cb[px / 2] : 128, cr ? cr[px / 2] : 128, out);
    }
  }
  return image;
}

void BlendCaption(RgbaImage& image, const CaptionPicture& caption) {
  if (caption.width <= 0 || caption.height <= 0 || image.width <= 0 || image.height <= 0) return;
  if (caption.rgba.size() < static_cast<std::size_t>(caption.width) * caption.height * 4) return;
  for (int row = 0; row < image.height; ++row) {
    const int cy = static_cast<int>(static_cast<long long>(row) * caption.height / image.height);
    const std::uint8_t* in = caption.rgba.data() + static_cast<std::size_t>(cy) * caption.width * 4;
    std::uint8_t* out = image.pixels.data() + static_cast<std::size_t>(row) * image.width * 4;
    for (int x = 0; x < image.width; ++x, out += 4) {
      const int cx = static_cast<int>(static_cast<long long>(x) * caption.width / image.width);
      const std::uint8_t* c = in + cx * 4;
      const int alpha = c[3];
      if (alpha == 0) continue;
      for (int k = 0; k < 3; ++k)
        out[k] = Clamp8((c[k] * alpha + out[k] * (255 - alpha) + 127) / 255);
    }
  }
}

}  // namespace av::video
