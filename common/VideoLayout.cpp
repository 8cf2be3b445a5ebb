#include "common/VideoLayout.h"

#include <algorithm>
#include <cmath>

namespace common {
namespace {

// Moves both edges inward by half of `free`, each truncated toward zero.
void Centre(long& low, long& high, long free) {
  const double half = free / 2.0;
  low = static_cast<long>(std::trunc(low + half));
  high = static_cast<long>(std::trunc(high - half));
}

}  // namespace

VideoRect FitAspect(const VideoRect& area, PictureAspect aspect) {
  VideoRect fitted = area;
  if (area.IsEmpty() || aspect.x <= 0 || aspect.y <= 0) return fitted;
  const double w = static_cast<double>(area.Width());
  const double h = static_cast<double>(area.Height());
  const double a = static_cast<double>(aspect.y) / static_cast<double>(aspect.x);
  if (h / w >= a) {
    const long height = static_cast<long>(std::floor(w * a + 0.5));
    Centre(fitted.top, fitted.bottom, area.Height() - height);
  } else {
    const long width = static_cast<long>(std::floor(h / a + 0.5));
    Centre(fitted.left, fitted.right, area.Width() - width);
  }
  return fitted;
}

PictureAspect AspectFor(AspectMode mode, PictureAspect picture, long pictureWidth,
                        long pictureHeight, const VideoRect& area) {
  const PictureAspect own{area.Width(), area.Height()};
  switch (mode) {
    case AspectMode::kFourThree:
      return {4, 3};
    case AspectMode::kSixteenNine:
      return {16, 9};
    case AspectMode::kWindow:
      return own;
    case AspectMode::kPicture:
      break;
  }
  if (picture.x > 0 && picture.y > 0) return picture;
  if (pictureWidth > 0 && pictureHeight > 0) return {pictureWidth, pictureHeight};
  return own;
}

VideoRect CutOverscan(const VideoRect& picture, long pictureWidth, long pictureHeight,
                      const Overscan& overscan) {
  VideoRect cut = picture.IsEmpty() ? VideoRect{0, 0, pictureWidth, pictureHeight} : picture;
  if (cut.IsEmpty()) return cut;
  const long left = std::clamp(overscan.left, 0L, cut.Width() - 1);
  const long right = std::clamp(overscan.right, 0L, cut.Width() - 1 - left);
  const long top = std::clamp(overscan.top, 0L, cut.Height() - 1);
  const long bottom = std::clamp(overscan.bottom, 0L, cut.Height() - 1 - top);
  cut.left += left;
  cut.right -= right;
  cut.top += top;
  cut.bottom -= bottom;
  return cut;
}

double FramesPerSecond(std::int64_t averageTimePerFrame) {
  if (averageTimePerFrame <= 0) return 0.0;
  return 10'000'000.0 / static_cast<double>(averageTimePerFrame);
}

std::optional<VideoLayout> LayOutVideo(const VideoLayoutInput& input) {
  if (input.area.IsEmpty()) return std::nullopt;
  const PictureAspect aspect =
      AspectFor(input.mode, input.picture, input.width, input.height, input.area);
  return VideoLayout{FitAspect(input.area, aspect),
                     CutOverscan(input.source, input.width, input.height, input.overscan)};
}

}  // namespace common
