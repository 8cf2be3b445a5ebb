// Seeking helpers.
//
// CPosPassThru answers IMediaSeeking for a filter that does not seek itself
// (a renderer, a writer, a transform) by passing every call to the pin
// connected to the given input pin (or, when that pin does not seek, to its
// filter), so a seek on the graph reaches the source.
// Unconnected, or when the upstream pin does not seek, calls fail with
// E_NOTIMPL.
//
// CSourceSeeking is the IMediaSeeking of a source: it keeps start, stop,
// duration and rate, answers the queries from them, and calls ChangeStart,
// ChangeStop or ChangeRate when SetPositions or SetRate changes one; the
// source restarts delivery there. It is a mix-in: the source filter (or pin)
// derives from it besides its CUnknown-based class and answers IID_IMediaSeeking
// in its NonDelegatingQueryInterface with
//   if (iid == IID_IMediaSeeking) return GetInterface(static_cast<IMediaSeeking*>(this), object);
#pragma once

#include "platform/com/ComPtr.h"
#include "platform/media/Interfaces.h"
#include "platform/media/Sync.h"

class CPosPassThru : public CUnknown, public IMediaSeeking {
 public:
  // `pin` is the input pin whose upstream peer seeks; not held (its filter owns
  // this object).
  CPosPassThru(const char* objectName, IUnknown* owner, HRESULT* hr, IPin* pin);

  HRESULT NonDelegatingQueryInterface(REFIID iid, void** object) override;

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

  // The upstream pin's IMediaSeeking, or E_NOTIMPL.
  HRESULT GetPeerSeeking(IMediaSeeking** seeking);

 private:
  IPin* pin_;
};

class CSourceSeeking : public IMediaSeeking {
 public:
  HRESULT GetCapabilities(DWORD* capabilities) override;
  HRESULT CheckCapabilities(DWORD* capabilities) override;
  HRESULT IsFormatSupported(const GUID* format) override;
  HRESULT QueryPreferredFormat(GUID* format) override;
  HRESULT GetTimeFormat(GUID* format) override;
  HRESULT IsUsingTimeFormat(const GUID* format) override;
  HRESULT SetTimeFormat(const GUID* format) override;
  HRESULT GetDuration(LONGLONG* duration) override;
  HRESULT GetStopPosition(LONGLONG* stop) override;
  HRESULT GetCurrentPosition(LONGLONG* current) override;  // the start position
  HRESULT ConvertTimeFormat(LONGLONG* target, const GUID* targetFormat, LONGLONG source,
                            const GUID* sourceFormat) override;
  HRESULT SetPositions(LONGLONG* current, DWORD currentFlags, LONGLONG* stop,
                       DWORD stopFlags) override;
  HRESULT GetPositions(LONGLONG* current, LONGLONG* stop) override;
  HRESULT GetAvailable(LONGLONG* earliest, LONGLONG* latest) override;  // 0 .. duration
  HRESULT SetRate(double rate) override;
  HRESULT GetRate(double* rate) override;
  HRESULT GetPreroll(LONGLONG* preroll) override;  // 0

 protected:
  explicit CSourceSeeking(CCritSec* seekingLock);
  virtual ~CSourceSeeking() = default;

  // Called under the seeking lock after the value changed.
  virtual HRESULT ChangeStart() = 0;
  virtual HRESULT ChangeStop() = 0;
  virtual HRESULT ChangeRate() = 0;

  REFERENCE_TIME rtDuration_ = MAX_TIME;
  REFERENCE_TIME rtStart_ = 0;
  REFERENCE_TIME rtStop_ = MAX_TIME;
  double rateSeeking_ = 1.0;
  DWORD seekingCaps_ = AM_SEEKING_CanSeekAbsolute | AM_SEEKING_CanSeekForwards |
                       AM_SEEKING_CanSeekBackwards | AM_SEEKING_CanGetStopPos |
                       AM_SEEKING_CanGetDuration;
  CCritSec* seekingLock_;
};
