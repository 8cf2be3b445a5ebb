// CLSID_StreamBufferSource, the "StreamBufferSource": plays a live buffer of
// the "SB Sink" (through its stub file, or the sink itself) while it grows, or
// a ".dvr-ms" recording, with the programme-stream reader of the "MPEG-2
// Source". IStreamBufferMediaSeeking is the source's IMediaSeeking under the
// engine's identity; a position asked for before the oldest content still in
// the buffer plays from the oldest and reports STREAMBUFFER_EC_STALE_DATA_READ,
// and a new rate reports STREAMBUFFER_EC_RATE_CHANGED.
#pragma once

#include <string>

#include "filters/source/Mpeg2Source.h"
#include "platform/sbe/StreamBufferInterfaces.h"

namespace sbe {

class CStreamBufferSource : public filters::CMPEG2Source,
                            public IStreamBufferSource,
                            public IStreamBufferInitialize,
                            public IStreamBufferMediaSeeking {
 public:
  explicit CStreamBufferSource(HRESULT* hr) : CMPEG2Source(hr) {}

  static CUnknown* CreateInstance(IUnknown* outer, HRESULT* hr);
  HRESULT NonDelegatingQueryInterface(REFIID iid, void** object) override;

  // IFileSourceFilter: a stub (".tmp") plays the live buffer it names; any
  // other file is played as one recording.
  HRESULT Load(LPCWSTR fileName, const AM_MEDIA_TYPE* mt) override;
  HRESULT GetCurFile(LPWSTR* fileName, AM_MEDIA_TYPE* mt) override;

  HRESULT SetStreamSink(IStreamBufferSink* sink) override;
  HRESULT SetHKEY(HKEY key) override;

  // IMediaSeeking and IStreamBufferMediaSeeking.
  HRESULT GetCapabilities(DWORD* capabilities) override;
  HRESULT CheckCapabilities(DWORD* capabilities) override;
  HRESULT IsFormatSupported(const GUID* format) override;
  HRESULT QueryPreferredFormat(GUID* format) override;
  HRESULT GetTimeFormat(GUID* format) override;
  HRESULT IsUsingTimeFormat(const GUID* format) override;
  HRESULT SetTimeFormat(const GUID* format) override;
  HRESULT GetDuration(LONGLONG* duration) override;
  HRESULT GetStopPosition(LONGLONG* stop) override;
  HRESULT GetCurrentPosition(LONGLONG* current) override;
  HRESULT ConvertTimeFormat(LONGLONG* target, const GUID* targetFormat, LONGLONG source,
                            const GUID* sourceFormat) override;
  HRESULT SetPositions(LONGLONG* current, DWORD currentFlags, LONGLONG* stop,
                       DWORD stopFlags) override;
  HRESULT GetPositions(LONGLONG* current, LONGLONG* stop) override;
  HRESULT GetAvailable(LONGLONG* earliest, LONGLONG* latest) override;
  HRESULT SetRate(double rate) override;
  HRESULT GetRate(double* rate) override;
  HRESULT GetPreroll(LONGLONG* preroll) override;

 private:
  std::u16string loaded_;
  HKEY key_ = nullptr;
};

}  // namespace sbe
