// The wave format block of audio media types (format type FORMAT_WaveFormatEx):
// the platform's WAVEFORMATEX, 18 bytes without padding, and its extensible
// form, whose SubFormat names the sample coding.
#pragma once

#include <cstdint>

#include "platform/com/Guid.h"

inline constexpr std::uint16_t WAVE_FORMAT_PCM = 1;
inline constexpr std::uint16_t WAVE_FORMAT_EXTENSIBLE = 0xFFFE;

#pragma pack(push, 1)
struct WAVEFORMATEX {
  std::uint16_t wFormatTag = 0;
  std::uint16_t nChannels = 0;
  std::uint32_t nSamplesPerSec = 0;
  std::uint32_t nAvgBytesPerSec = 0;
  std::uint16_t nBlockAlign = 0;
  std::uint16_t wBitsPerSample = 0;
  std::uint16_t cbSize = 0;  // bytes of format data after these fields
};

struct WAVEFORMATEXTENSIBLE {
  WAVEFORMATEX Format;
  std::uint16_t wValidBitsPerSample = 0;
  std::uint32_t dwChannelMask = 0;
  GUID SubFormat{};
};
#pragma pack(pop)

static_assert(sizeof(WAVEFORMATEX) == 18);
static_assert(sizeof(WAVEFORMATEXTENSIBLE) == 40);
