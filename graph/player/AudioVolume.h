// The program's volume setting (0 to 20, and the mute flag) as the attenuation
// the audio renderer takes through IBasicAudio::put_Volume, in hundredths of a
// decibel: 2000 x ln(volume / 20), so volume 20 is 0 and volume 10 is -1386;
// muted, and anything that would fall below -10000 (volume 0), is -10000.
#pragma once

#include <cmath>
#include <cstdint>

namespace graph {

inline constexpr long kSilentVolume = -10000;

inline long RendererVolume(std::int32_t volume, bool muted) {
  if (muted || volume <= 0) return kSilentVolume;
  if (volume >= 20) return 0;
  const double hundredths = 2000.0 * std::log(volume / 20.0);
  return hundredths < kSilentVolume ? kSilentVolume : static_cast<long>(hundredths);
}

}  // namespace graph
