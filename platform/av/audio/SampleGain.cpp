#include "platform/av/audio/SampleGain.h"

#include <cmath>

#include "platform/av/audio/BasicAudio.h"

namespace av::audio {

double AttenuationToGain(long hundredths) {
  if (hundredths <= kVolumeSilent) return 0.0;
  if (hundredths >= 0) return 1.0;
  return std::pow(10.0, static_cast<double>(hundredths) / 2000.0);
}

std::vector<double> ChannelGains(long volume, long balance, unsigned channels) {
  std::vector<double> gains(channels, AttenuationToGain(volume));
  if (channels >= 2) {
    if (balance > 0) gains[0] *= AttenuationToGain(-balance);
    if (balance < 0) gains[1] *= AttenuationToGain(balance);
  }
  return gains;
}

void ApplyGains(std::span<const std::int16_t> in, std::span<std::int16_t> out,
                std::span<const double> gains) {
  const std::size_t channels = gains.size();
  for (std::size_t i = 0; i < in.size(); ++i) {
    // Gains never exceed 1, so the product stays in range.
    out[i] = static_cast<std::int16_t>(std::lround(in[i] * gains[i % channels]));
  }
}

}  // namespace av::audio
