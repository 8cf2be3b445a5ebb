#include "tests/av_video/TestPictures.h"

#include <algorithm>
#include <cstdlib>

namespace av::video::test {
namespace {

CMediaType VideoType(const GUID& subtype, long width, long height, DWORD aspectX, DWORD aspectY,
                     RECT source) {
  CMediaType mt(MEDIATYPE_Video, subtype);
  mt.SetFormatType(&FORMAT_VideoInfo2);
  VIDEOINFOHEADER2 vih;
  vih.rcSource = source;
  vih.AvgTimePerFrame = 333'667;
  vih.dwPictAspectRatioX = aspectX;
  vih.dwPictAspectRatioY = aspectY;
  vih.bmiHeader.biWidth = static_cast<LONG>(width);
  vih.bmiHeader.biHeight = static_cast<LONG>(height);
  mt.SetFormat(reinterpret_cast<const BYTE*>(&vih), sizeof vih);
  mt.SetSampleSize(static_cast<ULONG>(PictureBytes(subtype, width, std::abs(height))));
  return mt;
}

}  // namespace

CMediaType I420Type(long width, long height, DWORD aspectX, DWORD aspectY, RECT source) {
  return VideoType(MEDIASUBTYPE_I420, width, height, aspectX, aspectY, source);
}

std::vector<std::uint8_t> FlatI420(long width, long height, std::uint8_t y, std::uint8_t cb,
                                   std::uint8_t cr) {
  const long luma = width * height;
  const long chroma = ((width + 1) / 2) * ((height + 1) / 2);
  std::vector<std::uint8_t> picture(luma + 2 * chroma, y);
  std::fill(picture.begin() + luma, picture.begin() + luma + chroma, cb);
  std::fill(picture.begin() + luma + chroma, picture.end(), cr);
  return picture;
}

CMediaType Argb32Type(long width, long height) {
  return VideoType(MEDIASUBTYPE_ARGB32, width, -height, 0, 0, RECT{});
}

std::vector<std::uint8_t> CaptionRows(long width, long height, long firstRow, std::uint8_t r,
                                      std::uint8_t g, std::uint8_t b) {
  std::vector<std::uint8_t> picture(width * height * 4, 0);
  for (long i = firstRow * width; i < width * height; ++i) {
    picture[i * 4 + 0] = b;
    picture[i * 4 + 1] = g;
    picture[i * 4 + 2] = r;
    picture[i * 4 + 3] = 255;
  }
  return picture;
}

}  // namespace av::video::test
