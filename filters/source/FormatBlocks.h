// The fixed format blocks of the source's output pins, whatever the file
// holds: the MPEG-2 video descriptor (218 bytes) and the AC-3 wave format
// with its MPEG extension (40 bytes), little-endian as the media types carry them.
#pragma once

#include <array>
#include <cstdint>

namespace filters {

inline constexpr std::size_t kVideoFormatBlockSize = 218;
inline constexpr std::size_t kAudioFormatBlockSize = 40;
inline constexpr std::size_t kVideoSampleSize = 8192;
inline constexpr std::size_t kOutputBufferSize = 8192;
inline constexpr long kVideoBuffers = 1600;
inline constexpr long kAudioBuffers = 800;
inline constexpr long kTextBuffers = 32;

const std::array<std::uint8_t, kVideoFormatBlockSize>& VideoFormatBlock();
const std::array<std::uint8_t, kAudioFormatBlockSize>& AudioFormatBlock();

}  // namespace filters
