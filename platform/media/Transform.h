// CTransformFilter: a filter with one input and one output pin that turns each
// input sample into zero or more new samples of its own (a decoder), written
// into buffers of the output pin's allocator.
//
// Types: the input takes what CheckInputType accepts; the output offers the
// types GetMediaType gives once the input is connected, and takes those
// CheckTransform accepts for the input's type. The output cannot connect
// before the input.
//
// Streaming: Receive runs the input's streaming check and then the derived
// Receive under the receive lock; it takes buffers with GetDeliveryBuffer and
// hands them on with Deliver. End of stream, flushes and new segments are
// passed downstream by default, after the derived hooks ran; a flush's end
// runs under the receive lock, so the derived filter may reset its state
// there. StartStreaming runs when the filter leaves the stopped state,
// StopStreaming when it stops, after a Receive in progress has ended.
//
// The output answers IMediaSeeking by passing the calls upstream
// (CPosPassThru) and passes quality notices upstream.
//
// Locks: the filter lock (state, connections) before the receive lock. Stop
// decommits the allocators first, so a Receive waiting for a buffer gives up.
#pragma once

#include <memory>

#include "platform/media/InputPin.h"
#include "platform/media/OutputPin.h"
#include "platform/media/PassUpstream.h"

class CTransformFilter;

class CTransformInputPin : public CBaseInputPin {
 public:
  CTransformInputPin(CTransformFilter* filter, CCritSec* lock, HRESULT* hr, LPCWSTR name);

  HRESULT CheckMediaType(const CMediaType* mt) override;
  HRESULT SetMediaType(const CMediaType* mt) override;
  HRESULT CompleteConnect(IPin* receivePin) override;
  HRESULT BreakConnect() override;

  HRESULT Receive(IMediaSample* sample) override;
  HRESULT EndOfStream() override;
  HRESULT BeginFlush() override;
  HRESULT EndFlush() override;
  HRESULT NewSegment(REFERENCE_TIME start, REFERENCE_TIME stop, double rate) override;

  IQualityControl* QualitySink() const { return qualitySink_.Get(); }

 private:
  CTransformFilter* transform_;
};

class CTransformOutputPin : public CBaseOutputPin {
 public:
  CTransformOutputPin(CTransformFilter* filter, CCritSec* lock, HRESULT* hr, LPCWSTR name);
  ~CTransformOutputPin() override;

  HRESULT NonDelegatingQueryInterface(REFIID iid, void** object) override;

  HRESULT CheckConnect(IPin* pin) override;
  HRESULT CheckMediaType(const CMediaType* mt) override;
  HRESULT GetMediaType(int position, CMediaType* mt) override;
  HRESULT SetMediaType(const CMediaType* mt) override;
  HRESULT CompleteConnect(IPin* receivePin) override;
  HRESULT BreakConnect() override;
  HRESULT DecideBufferSize(IMemAllocator* allocator, ALLOCATOR_PROPERTIES* request) override;

  // IQualityControl: notices from downstream go upstream.
  HRESULT Notify(IBaseFilter* self, Quality q) override;

  // Takes a new type for the samples that follow (a format change in the
  // stream): the downstream pin must accept it. The caller marks the next
  // sample with it (IMediaSample::SetMediaType).
  HRESULT ChangeMediaType(const CMediaType& mt);

 private:
  CTransformFilter* transform_;
  CUpstreamSeeking seeking_;
};

class CTransformFilter : public CBaseFilter {
 public:
  CTransformFilter(const char* objectName, REFCLSID clsid, LPCWSTR inputName = u"XForm In",
                   LPCWSTR outputName = u"XForm Out");
  ~CTransformFilter() override;

  int GetPinCount() override { return 2; }
  CBasePin* GetPin(int n) override;
  HRESULT Stop() override;
  HRESULT Pause() override;

  CTransformInputPin* InputPin() { return input_.get(); }
  CTransformOutputPin* OutputPin() { return output_.get(); }

  // ---- for derived filters ----
  virtual HRESULT CheckInputType(const CMediaType* mt) = 0;
  virtual HRESULT CheckTransform(const CMediaType* input, const CMediaType* output) = 0;
  // The output's position-th type (the input is connected).
  virtual HRESULT GetMediaType(int position, CMediaType* mt) = 0;
  virtual HRESULT DecideBufferSize(IMemAllocator* allocator, ALLOCATOR_PROPERTIES* request) = 0;
  // One input sample, under the receive lock.
  virtual HRESULT Receive(IMediaSample* sample) = 0;

  // A pin's agreed type, a connection's last step and its end.
  virtual HRESULT SetMediaType(PIN_DIRECTION direction, const CMediaType* mt);
  virtual HRESULT CompleteConnect(PIN_DIRECTION direction, IPin* receivePin);
  virtual HRESULT BreakConnect(PIN_DIRECTION direction);
  // Under the receive lock.
  virtual HRESULT StartStreaming();
  virtual HRESULT StopStreaming();
  // Stream calls; the defaults pass them downstream. EndOfStream and EndFlush
  // run under the receive lock.
  virtual HRESULT EndOfStream();
  virtual HRESULT BeginFlush();
  virtual HRESULT EndFlush();
  virtual HRESULT NewSegment(REFERENCE_TIME start, REFERENCE_TIME stop, double rate);

  // An empty output buffer; fails once the filter stops.
  HRESULT GetDeliveryBuffer(IMediaSample** sample);
  // Hands an output sample downstream (S_OK when nobody is connected).
  HRESULT Deliver(IMediaSample* sample);

 protected:
  CCritSec lock_;
  CCritSec receiveLock_;

 private:
  friend class CTransformInputPin;
  friend class CTransformOutputPin;

  std::unique_ptr<CTransformInputPin> input_;
  std::unique_ptr<CTransformOutputPin> output_;
};
