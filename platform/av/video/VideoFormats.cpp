#include "platform/av/video/VideoFormats.h"

#include <cstdlib>
#include <cstring>

namespace av::video {

std::optional<NativeVideoFormat> ReadNativeVideoFormat(const AM_MEDIA_TYPE& mt) {
  if (mt.majortype != MEDIATYPE_Video) return std::nullopt;
  if (mt.formattype != FORMAT_VideoInfo2 && mt.formattype != FORMAT_MPEG2Video) return std::nullopt;
  if (mt.pbFormat == nullptr || mt.cbFormat < sizeof(VIDEOINFOHEADER2)) return std::nullopt;
  VIDEOINFOHEADER2 vih;
  std::memcpy(&vih, mt.pbFormat, sizeof vih);
  NativeVideoFormat f;
  f.subtype = mt.subtype;
  f.width = vih.bmiHeader.biWidth;
  f.height = std::labs(vih.bmiHeader.biHeight);
  f.bottomUp = vih.bmiHeader.biHeight > 0 && mt.subtype != MEDIASUBTYPE_I420 &&
               mt.subtype != MEDIASUBTYPE_YV12;
  if (f.width <= 0 || f.height <= 0) return std::nullopt;
  f.source = common::CutOverscan(
      {vih.rcSource.left, vih.rcSource.top, vih.rcSource.right, vih.rcSource.bottom}, f.width,
      f.height, {});
  f.aspect = {static_cast<long>(vih.dwPictAspectRatioX), static_cast<long>(vih.dwPictAspectRatioY)};
  f.framesPerSecond = common::FramesPerSecond(vih.AvgTimePerFrame);
  f.interlaced = (vih.dwInterlaceFlags & AMINTERLACE_DisplayModeBobOrWeave) != 0;
  return f;
}

long PictureBytes(const GUID& subtype, long width, long height) {
  if (subtype == MEDIASUBTYPE_I420 || subtype == MEDIASUBTYPE_YV12) {
    return width * height + 2 * (((width + 1) / 2) * ((height + 1) / 2));
  }
  if (subtype == MEDIASUBTYPE_RGB32 || subtype == MEDIASUBTYPE_ARGB32) return width * height * 4;
  return 0;
}

}  // namespace av::video
