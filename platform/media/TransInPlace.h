// CTransInPlaceFilter: a filter with one input and one output that hands each
// sample on by reference, after Transform has looked at it (or changed it in
// place), without a buffer of its own.
//
// Types: the input takes what CheckInputType accepts and, while the output is
// connected, what its downstream pin accepts too; the output offers and takes
// only the input's type, so both connections carry one type. The output
// cannot connect before the input. A reconnection of the input with another
// type reconnects the output with it.
//
// Buffers: the output hands the input's allocator to the downstream pin, with
// the read-only flag the input was given; the upstream pin commits and
// decommits it. While the output is connected the input states the downstream
// pin's allocator requirements, so the upstream pin sizes the buffers for the
// far end. When the input was reconnected (a new allocator), the downstream
// pin is told of the new one at the next activation.
//
// Streaming: Receive runs the input's streaming check, Transform, and then
// delivers on the upstream thread; end of stream, flushes and new segments are
// passed on. The output answers IMediaSeeking by passing the calls upstream
// (CPosPassThru) and passes quality notices upstream.
#pragma once

#include <memory>

#include "platform/media/InputPin.h"
#include "platform/media/OutputPin.h"
#include "platform/media/PassUpstream.h"

class CTransInPlaceFilter;

class CTransInPlaceInputPin : public CBaseInputPin {
 public:
  CTransInPlaceInputPin(CTransInPlaceFilter* filter, CCritSec* lock, HRESULT* hr, LPCWSTR name);

  HRESULT CheckMediaType(const CMediaType* mt) override;
  // The output connection's type, when there is one.
  HRESULT GetMediaType(int position, CMediaType* mt) override;
  HRESULT CompleteConnect(IPin* receivePin) override;

  HRESULT GetAllocatorRequirements(ALLOCATOR_PROPERTIES* props) override;
  HRESULT Receive(IMediaSample* sample) override;
  HRESULT EndOfStream() override;
  HRESULT BeginFlush() override;
  HRESULT EndFlush() override;
  HRESULT NewSegment(REFERENCE_TIME start, REFERENCE_TIME stop, double rate) override;

  // The quality sink set on this pin (IQualityControl::SetSink), or null.
  IQualityControl* QualitySink() const { return qualitySink_.Get(); }

 private:
  CTransInPlaceFilter* transform_;
};

class CTransInPlaceOutputPin : public CBaseOutputPin {
 public:
  CTransInPlaceOutputPin(CTransInPlaceFilter* filter, CCritSec* lock, HRESULT* hr, LPCWSTR name);
  ~CTransInPlaceOutputPin() override;

  HRESULT NonDelegatingQueryInterface(REFIID iid, void** object) override;

  HRESULT CheckConnect(IPin* pin) override;
  HRESULT CheckMediaType(const CMediaType* mt) override;
  HRESULT GetMediaType(int position, CMediaType* mt) override;
  HRESULT BreakConnect() override;
  HRESULT DecideAllocator(IMemInputPin* pin, IMemAllocator** allocator) override;
  HRESULT DecideBufferSize(IMemAllocator* allocator, ALLOCATOR_PROPERTIES* request) override;
  HRESULT Active() override;
  HRESULT Inactive() override;

  // IQualityControl: notices from downstream go upstream.
  HRESULT Notify(IBaseFilter* self, Quality q) override;

 private:
  CTransInPlaceFilter* transform_;
  CUpstreamSeeking seeking_;
};

class CTransInPlaceFilter : public CBaseFilter {
 public:
  CTransInPlaceFilter(const char* objectName, REFCLSID clsid, LPCWSTR inputName = u"Input",
                      LPCWSTR outputName = u"Output");
  ~CTransInPlaceFilter() override;

  int GetPinCount() override { return 2; }
  CBasePin* GetPin(int n) override;

  CTransInPlaceInputPin* InputPin() { return input_.get(); }
  CTransInPlaceOutputPin* OutputPin() { return output_.get(); }

  // ---- for derived filters ----
  // S_OK when the filter handles the type.
  virtual HRESULT CheckInputType(const CMediaType* mt) = 0;
  // Called on the streaming thread for each sample before it goes on. S_OK
  // delivers it, S_FALSE drops it, a failure is returned upstream. A filter
  // that writes into the sample must leave read-only buffers alone
  // (InputPin()->IsReadOnly()).
  virtual HRESULT Transform(IMediaSample* sample) = 0;

 protected:
  CCritSec lock_;

 private:
  friend class CTransInPlaceInputPin;
  friend class CTransInPlaceOutputPin;

  std::unique_ptr<CTransInPlaceInputPin> input_;
  std::unique_ptr<CTransInPlaceOutputPin> output_;
};
