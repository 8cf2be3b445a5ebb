// Input pins.
//
// CBaseInputPin adds the sample transport (IMemInputPin): it takes the
// allocator the upstream pin notifies (remembering whether the buffers are
// read-only), offers a memory allocator of its own when asked, and its Receive
// is the streaming check every derived Receive calls first:
//   VFW_E_NOT_CONNECTED unconnected, VFW_E_WRONG_STATE stopped, S_FALSE while
//   flushing, VFW_E_RUNTIME_ERROR after a run-time error, VFW_E_INVALIDMEDIATYPE
//   for a type change CheckMediaType refuses; S_OK otherwise.
//
// CRenderedInputPin is the input of a filter that ends a stream (renderers,
// writers): its end of stream reports EC_COMPLETE to the graph once the filter
// runs (at once when running, else at Run), and again only after a flush or a
// new activation.
#pragma once

#include "platform/media/BasePin.h"

class CBaseInputPin : public CBasePin, public IMemInputPin {
 public:
  CBaseInputPin(const char* objectName, CBaseFilter* filter, CCritSec* lock, HRESULT* hr,
                LPCWSTR name);
  ~CBaseInputPin() override;

  HRESULT NonDelegatingQueryInterface(REFIID iid, void** object) override;

  // IMemInputPin
  HRESULT GetAllocator(IMemAllocator** allocator) override;
  HRESULT NotifyAllocator(IMemAllocator* allocator, BOOL readOnly) override;
  HRESULT GetAllocatorRequirements(ALLOCATOR_PROPERTIES* props) override;  // E_NOTIMPL
  HRESULT Receive(IMediaSample* sample) override;
  HRESULT ReceiveMultiple(IMediaSample** samples, LONG count, LONG* processed) override;
  // S_OK when this filter's Receive may block: it has no output pins (a
  // renderer), or a connected output's downstream pin may block.
  HRESULT ReceiveCanBlock() override;

  // IPin
  HRESULT BeginFlush() override;   // sets the flushing state
  HRESULT EndFlush() override;     // clears it (and a run-time error)
  HRESULT EndOfStream() override;  // S_OK; derived pins pass it on or complete

  HRESULT BreakConnect() override;
  HRESULT Inactive() override;  // decommits the allocator: upstream GetBuffer fails

  // Stream-time checks a derived Receive makes (see above, without type check).
  HRESULT CheckStreaming();
  bool IsFlushing() const { return flushing_.load(); }
  bool IsReadOnly() const { return readOnly_; }
  void SetRunTimeError() { runTimeError_ = true; }
  // The allocator in use (no reference added).
  IMemAllocator* Allocator() const { return allocator_.Get(); }
  // Properties of the sample being received (filled by Receive).
  const AM_SAMPLE2_PROPERTIES& SampleProps() const { return sampleProps_; }

 protected:
  ComPtr<IMemAllocator> allocator_;
  bool readOnly_ = false;
  std::atomic<bool> flushing_{false};
  std::atomic<bool> runTimeError_{false};
  AM_SAMPLE2_PROPERTIES sampleProps_;
};

class CRenderedInputPin : public CBaseInputPin {
 public:
  CRenderedInputPin(const char* objectName, CBaseFilter* filter, CCritSec* lock, HRESULT* hr,
                    LPCWSTR name);

  HRESULT EndOfStream() override;
  HRESULT EndFlush() override;
  HRESULT Active() override;
  HRESULT Run(REFERENCE_TIME start) override;
  // A rendered pin passes its stream to no other pin.
  HRESULT QueryInternalConnections(IPin** pins, ULONG* count) override;

  bool AtEndOfStream() const { return atEndOfStream_; }

 protected:
  void DoCompleteHandling();

 private:
  bool atEndOfStream_ = false;
  bool completed_ = false;
};
