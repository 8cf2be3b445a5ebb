// Volume and balance as gains on 16-bit interleaved samples.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

namespace av::audio {

// The amplitude factor of an attenuation in hundredths of a decibel:
// 10^(hundredths / 2000); -10000 (and below) is silence, 0 and above is 1.
double AttenuationToGain(long hundredths);

// The gain of each of `channels` channels for a volume and a balance
// (IBasicAudio units): a positive balance attenuates the left channel (0), a
// negative one the right (1); other channels take the volume only.
std::vector<double> ChannelGains(long volume, long balance, unsigned channels);

// out[i] = in[i] times the gain of its channel, rounded; `out` is as long as `in`.
void ApplyGains(std::span<const std::int16_t> in, std::span<std::int16_t> out,
                std::span<const double> gains);

}  // namespace av::audio
