// Which on-screen windows are shown and for how many more seconds: the
// channel banner (with the description box when asked for), the playback
// bar and the volume bar. 0 seconds means hidden.
#pragma once

namespace app::osd {

inline constexpr int kBannerSeconds = 6;
inline constexpr int kInfoSeconds = 12;
inline constexpr int kBarSeconds = 5;

struct OsdState {
  int bannerSeconds = 0;
  bool description = false;  // the description box goes with the banner
  int playbackSeconds = 0;
  int volumeSeconds = 0;

  bool BannerShown() const { return bannerSeconds > 0; }
  bool PlaybackShown() const { return playbackSeconds > 0; }
  bool VolumeShown() const { return volumeSeconds > 0; }

  void ShowBanner(int seconds, bool withDescription) {
    bannerSeconds = seconds;
    description = withDescription;
  }
  void HideBanner() {
    bannerSeconds = 0;
    description = false;
  }
};

}  // namespace app::osd
