#include "app/osd/OsdLayout.h"

namespace app::osd {
namespace {

// The windows' sizes at the design height.
constexpr int kDesignHeight = 350;
constexpr ui::Size kBannerSize{330, 64};
constexpr ui::Size kDescriptionSize{330, 84};
constexpr ui::Size kPlaybackSize{220, 22};
constexpr ui::Size kVolumeSize{220, 36};
constexpr double kDesignDpi = 96.0;
constexpr double kBannerPoints = 12.0;

ui::Rect Place(ui::Size design, int height, int clientWidth, int top) {
  const int width = design.width * height / kDesignHeight;
  const int left = (clientWidth - width) / 2;
  return {left, top, left + width, top + design.height * height / kDesignHeight};
}

}  // namespace

OsdLayout LayOut(const ui::Rect& video, int clientWidth) {
  const int h = video.Height();
  const int step = h / 20;
  OsdLayout layout;
  layout.banner = Place(kBannerSize, h, clientWidth, video.top + step);
  layout.description = Place(kDescriptionSize, h, clientWidth, layout.banner.bottom + step / 2);
  layout.playback = Place(kPlaybackSize, h, clientWidth, video.top + step * 15);
  layout.volume = Place(kVolumeSize, h, clientWidth, video.top + step * 17);
  const double dpi = kDesignDpi * h / kDesignHeight;
  layout.fontPixels = static_cast<int>(dpi * kBannerPoints / 72.0 + 0.5);
  return layout;
}

}  // namespace app::osd
