// CPin: one output pin of the "MPEG-2 Source" ("Video", "Audio" or "Text").
//
// It offers exactly one media type (the fixed format blocks, whatever the
// file holds), asks for 8192-byte buffers, and delivers through an output
// queue made in Active and destroyed in Inactive. The filter's streaming
// thread is the only one that delivers samples; the filter stops that thread
// before the pin goes inactive, so the queue never vanishes under a delivery.
//
// The pin also answers IMediaSeeking for the renderer behind it. All three
// pins share the filter's position, so only the first connected pin ("the
// seeking pin") passes position and rate changes on; the others accept them
// without restarting delivery a second and third time for the same seek.
#pragma once

#include <memory>

#include "filters/sink/Packetiser.h"
#include "platform/media/OutputPin.h"
#include "platform/media/OutputQueue.h"

namespace filters {

class CMPEG2Source;

class CPin : public CBaseOutputPin, public IMediaSeeking {
 public:
  CPin(CMPEG2Source* filter, CCritSec* lock, HRESULT* hr, PinType stream, LPCWSTR name);
  ~CPin() override;

  HRESULT NonDelegatingQueryInterface(REFIID iid, void** object) override;

  PinType Stream() const { return stream_; }

  // The pin's one type; anything else is refused.
  HRESULT CheckMediaType(const CMediaType* mt) override;
  HRESULT GetMediaType(int position, CMediaType* mt) override;
  HRESULT DecideBufferSize(IMemAllocator* allocator, ALLOCATOR_PROPERTIES* request) override;

  HRESULT Active() override;
  HRESULT Inactive() override;

  // Through the output queue; VFW_E_NOT_CONNECTED when unconnected.
  HRESULT Deliver(IMediaSample* sample) override;
  HRESULT DeliverEndOfStream() override;
  HRESULT DeliverBeginFlush() override;
  HRESULT DeliverEndFlush() override;
  HRESULT DeliverNewSegment(REFERENCE_TIME start, REFERENCE_TIME stop, double rate) override;

  // IMediaSeeking: the filter's, see above.
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
  IMediaSeeking* FilterSeeking() const;

  CMPEG2Source* owner_;
  PinType stream_;
  std::unique_ptr<COutputQueue> queue_;
};

}  // namespace filters
