// The programme text renderer ("text renderer"): the end of a playback graph's
// text stream. It keeps the last sample of the recording's programme text and
// its times, from which the on-screen display reads the now-playing record.
//
// Samples of 2544 bytes or more are ignored whole (text, times and all), so the
// text and its start time always belong to the same sample. DoRenderSample
// runs on the streaming thread and GetText on the user-interface thread, both
// under the text lock (never the filter lock).
#pragma once

#include <array>
#include <mutex>

#include "filters/text/TextInterfaces.h"
#include "platform/media/Renderer.h"

// Samples this long or longer are not kept.
inline constexpr LONG kMaxKeptTextSample = 2544;

class CTextOutFilter : public CBaseRenderer, public ITextRenderer {
 public:
  CTextOutFilter();

  // For a class-factory table (CLSID_TextOutFilter).
  static CUnknown* CreateInstance(IUnknown* outer, HRESULT* hr);

  HRESULT NonDelegatingQueryInterface(REFIID iid, void** object) override;

  // The programme text type (any subtype and format).
  HRESULT CheckMediaType(const CMediaType* mt) override;
  HRESULT GetMediaType(int position, CMediaType* mt) override;
  HRESULT DoRenderSample(IMediaSample* sample) override;

  // ITextRenderer
  HRESULT GetText(tables::NowPlayingInfo* info, REFERENCE_TIME* start) override;

 private:
  std::mutex textLock_;
  std::array<std::uint8_t, kMaxKeptTextSample> bytes_{};
  std::size_t length_ = 0;
  REFERENCE_TIME start_ = 0;
  REFERENCE_TIME stop_ = 0;
  bool haveText_ = false;
};

// Makes a text renderer with one reference for the caller.
HRESULT CreateTextRenderer(CTextOutFilter** filter);
