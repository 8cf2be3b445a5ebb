// The caption filter: MPEG-2 video elementary stream in ("MPEG-2 Video ES"),
// line 21 caption byte pairs out ("Line 21"). The input pin pushes every byte
// it receives into the library's extractor; each caption unit the extractor
// emits becomes one output sample, delivered on the upstream streaming thread
// through the output pin's queue.
//
// Output samples carry the unit's pairs as received (parity bits included),
// start time = the unit's start time, stop time = start + 1, media times
// k to k + 1 counted over the library's life, and the sync-point flag.
//
// The extractor is reset on end of flush, on a sample that carries a media
// type and on a sample marked as a discontinuity; state changes leave it as
// it is, and end of stream does not drain it.
#pragma once

#include <memory>
#include <mutex>
#include <span>

#include "capsift/CaptionSink.h"
#include "capsift/dll/ICCParserParams.h"
#include "platform/media/BaseFilter.h"
#include "platform/media/InputPin.h"
#include "platform/media/OutputPin.h"
#include "platform/media/OutputQueue.h"
#include "platform/media/Sync.h"

namespace capsift {

class CFilter;

class CInputPin : public CBaseInputPin {
 public:
  CInputPin(CFilter* filter, CCritSec* filterLock, HRESULT* hr);

  // MPEG-2 video or H.264 video (the latter connects but yields nothing).
  HRESULT CheckMediaType(const CMediaType* mt) override;
  // The pin proposes no types.
  HRESULT GetMediaType(int position, CMediaType* mt) override;

  HRESULT Receive(IMediaSample* sample) override;
  HRESULT EndOfStream() override;
  HRESULT BeginFlush() override;
  HRESULT EndFlush() override;

  // Times of the last sample that carried them (100 ns units).
  REFERENCE_TIME InputStartTime() const { return inputStart_; }
  REFERENCE_TIME InputStopTime() const { return inputStop_; }

 private:
  CFilter* owner_;
  CCritSec receiveLock_;
  REFERENCE_TIME inputStart_ = 0;
  REFERENCE_TIME inputStop_ = 0;
};

class COutputPin : public CBaseOutputPin {
 public:
  COutputPin(CFilter* filter, CCritSec* filterLock, HRESULT* hr);
  ~COutputPin() override;

  // Only line 21 byte pairs, and only once the input is connected.
  HRESULT CheckMediaType(const CMediaType* mt) override;
  HRESULT GetMediaType(int position, CMediaType* mt) override;
  // 20 buffers of 256 bytes at least.
  HRESULT DecideBufferSize(IMemAllocator* allocator, ALLOCATOR_PROPERTIES* request) override;

  HRESULT Active() override;
  HRESULT Inactive() override;

  HRESULT Deliver(IMediaSample* sample) override;
  HRESULT DeliverEndOfStream() override;
  HRESULT DeliverBeginFlush() override;
  HRESULT DeliverEndFlush() override;
  HRESULT DeliverNewSegment(REFERENCE_TIME start, REFERENCE_TIME stop, double rate) override;

  bool HasQueue() const { return queue_ != nullptr; }

 private:
  CFilter* owner_;
  // The queue is made and destroyed under the filter lock (Active, Inactive)
  // and used by the streaming thread (samples, end of stream, new segment)
  // under this lock, so Stop cannot destroy it under a delivery. Flushes run
  // under the filter lock and must not wait for a delivery that is blocked
  // downstream, so they do not take it.
  std::mutex queueMutex_;
  std::unique_ptr<COutputQueue> queue_;
};

class CFilter : public CBaseFilter,
                public ISpecifyPropertyPages,
                public ICCParserParams,
                public IAMovieSetup,
                private ICaptionSink {
 public:
  static CUnknown* CreateInstance(IUnknown* outer, HRESULT* hr);

  explicit CFilter(HRESULT* hr);
  ~CFilter() override;

  HRESULT NonDelegatingQueryInterface(REFIID iid, void** object) override;

  int GetPinCount() override { return 2; }
  CBasePin* GetPin(int n) override;

  // ISpecifyPropertyPages: the one caption parser page.
  HRESULT GetPages(CAUUID* pages) override;

  // ICCParserParams
  HRESULT GetParams(LONG* params) override;
  HRESULT SetParams(LONG param1, LONG param2) override;
  HRESULT SetPageWindow(OAHWND window, IPropertyPage* page) override;

  // IAMovieSetup: the filter's entry with the filter mapper.
  HRESULT Register() override;
  HRESULT Unregister() override;

  CInputPin* InputPin() const { return input_.get(); }
  COutputPin* OutputPin() const { return output_.get(); }
  OAHWND PageWindow() const { return pageWindow_; }
  IPropertyPage* Page() const { return page_; }

 private:
  friend class CInputPin;
  // A caption unit from the extractor: one output sample.
  void EmitCaptionUnit(std::span<const std::uint8_t> bytes, std::int64_t startTime) override;

  CCritSec lock_;
  std::unique_ptr<CInputPin> input_;
  std::unique_ptr<COutputPin> output_;
  OAHWND pageWindow_ = 0;
  IPropertyPage* page_ = nullptr;  // not held: the page holds the filter
};

}  // namespace capsift
