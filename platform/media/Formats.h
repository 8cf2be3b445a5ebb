// Format blocks of uncompressed video and audio media types, laid out as the
// platform's records (little-endian, as media types carry them), with the
// interlace flags of a video format and the per-sample video flags
// (IMediaSample2 type-specific flags).
#pragma once

#include <cstdint>

#include "platform/com/GuidLiteral.h"
#include "platform/com/Types.h"
#include "platform/media/Interfaces.h"

struct RECT {
  LONG left = 0;
  LONG top = 0;
  LONG right = 0;
  LONG bottom = 0;
};

struct BITMAPINFOHEADER {
  DWORD biSize = 40;
  LONG biWidth = 0;
  LONG biHeight = 0;  // positive: as the compression defines (top-down for YUV)
  WORD biPlanes = 1;
  WORD biBitCount = 0;
  DWORD biCompression = 0;  // a four-character code, or 0 for RGB
  DWORD biSizeImage = 0;
  LONG biXPelsPerMeter = 0;
  LONG biYPelsPerMeter = 0;
  DWORD biClrUsed = 0;
  DWORD biClrImportant = 0;
};
static_assert(sizeof(BITMAPINFOHEADER) == 40);

// FORMAT_VideoInfo2.
struct VIDEOINFOHEADER2 {
  RECT rcSource;  // the part of the picture to show (empty: all of it)
  RECT rcTarget;
  DWORD dwBitRate = 0;
  DWORD dwBitErrorRate = 0;
  REFERENCE_TIME AvgTimePerFrame = 0;
  DWORD dwInterlaceFlags = 0;
  DWORD dwCopyProtectFlags = 0;
  DWORD dwPictAspectRatioX = 0;  // display aspect ratio of the whole picture
  DWORD dwPictAspectRatioY = 0;
  DWORD dwControlFlags = 0;
  DWORD dwReserved2 = 0;
  BITMAPINFOHEADER bmiHeader;
};
static_assert(sizeof(VIDEOINFOHEADER2) == 112);

// FORMAT_WaveFormatEx: cbSize extra bytes may follow.
#pragma pack(push, 1)
struct WAVEFORMATEX {
  WORD wFormatTag = 0;
  WORD nChannels = 0;
  DWORD nSamplesPerSec = 0;
  DWORD nAvgBytesPerSec = 0;
  WORD nBlockAlign = 0;
  WORD wBitsPerSample = 0;
  WORD cbSize = 0;
};
#pragma pack(pop)
static_assert(sizeof(WAVEFORMATEX) == 18);

inline constexpr WORD WAVE_FORMAT_PCM = 1;

constexpr DWORD MakeFourCC(char a, char b, char c, char d) {
  return static_cast<DWORD>(static_cast<std::uint8_t>(a)) |
         static_cast<DWORD>(static_cast<std::uint8_t>(b)) << 8 |
         static_cast<DWORD>(static_cast<std::uint8_t>(c)) << 16 |
         static_cast<DWORD>(static_cast<std::uint8_t>(d)) << 24;
}

// VIDEOINFOHEADER2::dwInterlaceFlags.
inline constexpr DWORD AMINTERLACE_IsInterlaced = 0x01;
inline constexpr DWORD AMINTERLACE_1FieldPerSample = 0x02;
inline constexpr DWORD AMINTERLACE_Field1First = 0x04;
inline constexpr DWORD AMINTERLACE_FieldPatternMask = 0x30;
inline constexpr DWORD AMINTERLACE_FieldPatBothRegular = 0x20;
inline constexpr DWORD AMINTERLACE_DisplayModeMask = 0xC0;
inline constexpr DWORD AMINTERLACE_DisplayModeBobOrWeave = 0x80;

// Type-specific flags of a video sample.
inline constexpr DWORD AM_VIDEO_FLAG_FIELD_MASK = 0x0003;
inline constexpr DWORD AM_VIDEO_FLAG_INTERLEAVED_FRAME = 0x0000;
inline constexpr DWORD AM_VIDEO_FLAG_FIELD1FIRST = 0x0004;
inline constexpr DWORD AM_VIDEO_FLAG_WEAVE = 0x0008;  // a progressive frame: show it whole
inline constexpr DWORD AM_VIDEO_FLAG_IPB_MASK = 0x0030;
inline constexpr DWORD AM_VIDEO_FLAG_I_SAMPLE = 0x0000;
inline constexpr DWORD AM_VIDEO_FLAG_P_SAMPLE = 0x0010;
inline constexpr DWORD AM_VIDEO_FLAG_B_SAMPLE = 0x0020;
inline constexpr DWORD AM_VIDEO_FLAG_REPEAT_FIELD = 0x0040;

// Planar 4:2:0 video: the Y plane, then Cb, then Cr, each row of a plane
// packed (stride = width, half the width for the chroma planes).
inline constexpr GUID MEDIASUBTYPE_I420 = com::GuidOf("30323449-0000-0010-8000-00AA00389B71");
