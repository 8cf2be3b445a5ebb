// The programme text filters' identifiers, their media type and their own
// interfaces: ITextSource (the text source, fed the now-playing record) and
// ITextRenderer (the text renderer, read by the on-screen display).
#pragma once

#include "filters/text/TextMediaType.h"
#include "platform/com/GuidLiteral.h"
#include "platform/com/HResult.h"
#include "platform/com/Types.h"
#include "platform/com/Unknown.h"
#include "platform/media/Interfaces.h"
#include "platform/media/MediaGuids.h"
#include "platform/media/MediaType.h"
#include "tables/guide/GuideRecords.h"

inline constexpr CLSID CLSID_TextSource = com::GuidOf("8F5E0A92-6FF1-4DBE-B1E5-DA42C7986C63");
inline constexpr CLSID CLSID_TextSourcePropertyPage =
    com::GuidOf("51294557-6BA9-4238-8B02-E2997A113FC3");
inline constexpr CLSID CLSID_TextOutFilter = com::GuidOf("6C88AAEA-9C49-4C10-8D28-FA15BBC36774");
inline constexpr IID IID_ITextSource = com::GuidOf("7738C13F-4AB3-4792-8F65-0A370C7ABAF6");
inline constexpr IID IID_ITextRenderer = com::GuidOf("BE0FC981-0EDC-42B4-BDA9-45BAFC6F5F78");

// Sample size of the text stream (the encoded record's buffer).
inline constexpr ULONG kTextSampleSize = 4096;

// The text stream's type: programme text, no subtype ("none"), no format
// block, variable-size samples of up to 4096 bytes, no temporal compression.
inline void SetTextMediaType(CMediaType* mt) {
  mt->InitMediaType();
  mt->SetType(&MEDIATYPE_TextStream);
  mt->SetSubtype(&MEDIASUBTYPE_None);
  mt->SetFormatType(&FORMAT_None);
  mt->SetTemporalCompression(FALSE);
  mt->SetVariableSize();
  mt->lSampleSize = kTextSampleSize;
}

struct ITextSource : virtual IUnknown {
  static constexpr IID kIid = IID_ITextSource;
  virtual HRESULT GetParams(LONG* param1, LONG* param2) = 0;
  virtual HRESULT SetParams(LONG param1, LONG param2) = 0;
  // Encodes the record; the next samples carry it.
  virtual HRESULT SetText(const tables::NowPlayingInfo* info) = 0;
};

struct ITextRenderer : virtual IUnknown {
  static constexpr IID kIid = IID_ITextRenderer;
  // The last kept sample decoded into `info` (fields it lacks keep their
  // values) and its start time; E_FAIL before the first sample.
  virtual HRESULT GetText(tables::NowPlayingInfo* info, REFERENCE_TIME* start) = 0;
};
