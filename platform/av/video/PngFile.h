// Writes an RGBA picture as a PNG file (8-bit RGB, no alpha: a snapshot of
// what the screen shows), compressed with zlib.
#pragma once

#include <string>

#include "platform/av/video/FrameImage.h"

namespace av::video {

bool WritePng(const std::string& path, const RgbaImage& image);

}  // namespace av::video
