// Pictures and types for the video renderer's tests: flat-coloured I420
// pictures and ARGB32 caption pictures with their VIDEOINFOHEADER2 types.
#pragma once

#include <cstdint>
#include <vector>

#include "platform/av/video/VideoFormats.h"

namespace av::video::test {

CMediaType I420Type(long width, long height, DWORD aspectX = 4, DWORD aspectY = 3,
                    RECT source = RECT{});
// One I420 picture of one colour (Y, Cb, Cr).
std::vector<std::uint8_t> FlatI420(long width, long height, std::uint8_t y, std::uint8_t cb = 128,
                                   std::uint8_t cr = 128);
// A caption picture, top row first in the buffer (negative height), fully
// transparent except for the rows from `firstRow` on, which are opaque in
// the colour (R, G, B).
CMediaType Argb32Type(long width, long height);
std::vector<std::uint8_t> CaptionRows(long width, long height, long firstRow, std::uint8_t r,
                                      std::uint8_t g, std::uint8_t b);

}  // namespace av::video::test
