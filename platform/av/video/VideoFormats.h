// Uncompressed video as the renderers take it: major type video with a
// VIDEOINFOHEADER2 format block (FORMAT_VideoInfo2; an MPEG-2 video block,
// which begins with one, is read the same way), subtype
//   I420  planar 4:2:0, Y then Cb then Cr, rows packed, top row first
//   YV12  the same with Cr before Cb
//   RGB32 4 bytes a pixel (B, G, R, unused), rows of biWidth * 4 bytes;
//         bottom row first when biHeight > 0, top row first when < 0
// The picture's size is bmiHeader's biWidth x |biHeight|, the part shown is
// rcSource (empty: the whole picture), the display aspect is
// dwPictAspectRatioX : dwPictAspectRatioY. A sample may carry a new type
// (a size or aspect change), which the renderer takes from that sample on.
//
// The caption input takes ARGB32 (B, G, R, A bytes, straight alpha) with the
// same row order rule as RGB32: a picture laid over the whole video.
#pragma once

#include <optional>

#include "common/VideoLayout.h"
#include "platform/media/Formats.h"
#include "platform/media/MediaGuids.h"
#include "platform/media/MediaType.h"

inline constexpr GUID MEDIASUBTYPE_YV12 = com::GuidOf("32315659-0000-0010-8000-00AA00389B71");
inline constexpr GUID MEDIASUBTYPE_RGB32 = com::GuidOf("E436EB7E-524F-11CE-9F53-0020AF0BA770");
inline constexpr GUID MEDIASUBTYPE_ARGB32 = com::GuidOf("773C9AC0-3274-11D0-B724-00AA006C1A01");

namespace av::video {

// What a video type states about its pictures.
struct NativeVideoFormat {
  GUID subtype = GUID_NULL;
  long width = 0;
  long height = 0;
  bool bottomUp = false;         // RGB rows stored bottom row first
  common::VideoRect source;      // never empty: the whole picture when the type gives none
  common::PictureAspect aspect;  // 0:0 when the type states none
  double framesPerSecond = 0;    // 0 when the type states none
  bool interlaced = false;       // the interlace flags' display-mode bit 0x80
};

// The format of a video type with a VIDEOINFOHEADER2 (or MPEG-2 video) block;
// nothing for other types or a short block.
std::optional<NativeVideoFormat> ReadNativeVideoFormat(const AM_MEDIA_TYPE& mt);

// Bytes of one picture of the subtype, 0 for an unknown subtype.
long PictureBytes(const GUID& subtype, long width, long height);

}  // namespace av::video
