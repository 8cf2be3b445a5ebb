// CInputPin0: one of the three input pins of the "MPEG-2 Sink" (video "MPEG-2
// Video ES", audio "AC3 Audio ES", text "Text"). Each pin has a receive lock;
// every Receive holds all three, taken in the order video, audio, text, so
// the streams are multiplexed one sample at a time. The filter's state
// changes take the filter lock first and then the same three locks.
#pragma once

#include "filters/sink/Packetiser.h"
#include "platform/media/InputPin.h"

class CMPEG2Sink;

class CInputPin0 : public CRenderedInputPin {
 public:
  CInputPin0(CMPEG2Sink* filter, CCritSec* filterLock, HRESULT* hr, filters::PinType type,
             LPCWSTR name);

  filters::PinType Type() const { return type_; }
  CCritSec* ReceiveLock() { return &receiveLock_; }

  // Accepts by major type only (VFW_E_INVALIDMEDIATYPE otherwise).
  HRESULT CheckMediaType(const CMediaType* mt) override;
  // Video and audio: 2000 buffers of 4096 bytes; text: none stated.
  HRESULT GetAllocatorRequirements(ALLOCATOR_PROPERTIES* props) override;
  HRESULT Receive(IMediaSample* sample) override;
  // Counts towards the filter's end of stream; completes when all three reported.
  HRESULT EndOfStream() override;
  HRESULT NewSegment(REFERENCE_TIME start, REFERENCE_TIME stop, double rate) override;
  HRESULT Active() override;
  // Decommits, then drops every held sample (under the receive locks).
  HRESULT Inactive() override;

 private:
  CMPEG2Sink* owner_;
  filters::PinType type_;
  CCritSec receiveLock_;
};
