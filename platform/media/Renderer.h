// CBaseRenderer: a filter with one input pin that renders each sample at its
// time on the reference clock.
//
// Receive holds the sample: while paused it waits (the first sample completes
// the pause: GetState stops answering VFW_S_STATE_INTERMEDIATE); while running
// it waits until the clock reaches start time + the sample's start divided by
// the rate of the current segment (NewSegment), and then calls
// DoRenderSample. Samples without times, or all samples when the filter has
// no clock, render at once. Stop, a flush or a pause end the wait.
// End of stream: EC_COMPLETE to the graph once running (at once, or at Run).
// IMediaSeeking is passed upstream (CPosPassThru).
//
// Lock order: the filter lock before the renderer's own state lock; Receive
// never takes the filter lock, and DoRenderSample runs without either.
#pragma once

#include <condition_variable>
#include <memory>
#include <mutex>
#include <vector>

#include "platform/media/BaseFilter.h"
#include "platform/media/InputPin.h"
#include "platform/media/Seeking.h"

class CBaseRenderer;

class CRendererInputPin : public CBaseInputPin {
 public:
  CRendererInputPin(CBaseRenderer* renderer, HRESULT* hr, LPCWSTR name);

  HRESULT Receive(IMediaSample* sample) override;
  HRESULT EndOfStream() override;
  HRESULT BeginFlush() override;
  HRESULT EndFlush() override;
  HRESULT CheckMediaType(const CMediaType* mt) override;
  HRESULT GetMediaType(int position, CMediaType* mt) override;
  HRESULT SetMediaType(const CMediaType* mt) override;
  HRESULT CompleteConnect(IPin* receivePin) override;
  HRESULT BreakConnect() override;
  HRESULT QueryInternalConnections(IPin** pins, ULONG* count) override;

 private:
  CBaseRenderer* renderer_;
};

class CBaseRenderer : public CBaseFilter {
 public:
  CBaseRenderer(REFCLSID clsid, const char* objectName, IUnknown* outer, HRESULT* hr,
                LPCWSTR pinName = u"In");
  ~CBaseRenderer() override;

  HRESULT NonDelegatingQueryInterface(REFIID iid, void** object) override;

  int GetPinCount() override { return 1; }
  CBasePin* GetPin(int n) override;

  HRESULT Stop() override;
  HRESULT Pause() override;
  HRESULT Run(REFERENCE_TIME start) override;
  HRESULT GetState(DWORD milliseconds, FILTER_STATE* state) override;
  HRESULT SetSyncSource(IReferenceClock* clock) override;

  // ---- for derived renderers ----
  virtual HRESULT CheckMediaType(const CMediaType* mt) = 0;
  virtual HRESULT DoRenderSample(IMediaSample* sample) = 0;
  virtual HRESULT GetMediaType(int position, CMediaType* mt);
  virtual HRESULT SetMediaType(const CMediaType* mt);
  virtual HRESULT CompleteConnect(IPin* receivePin);
  virtual HRESULT BreakConnect();
  // S_OK renders the sample at once, S_FALSE schedules it by its times (default).
  // The times are those of the stream clock, already divided by the rate.
  virtual HRESULT ShouldDrawSampleNow(IMediaSample* sample, REFERENCE_TIME* start,
                                      REFERENCE_TIME* stop);
  // Called for the first sample that arrives while paused (show a still).
  virtual void OnReceiveFirstSample(IMediaSample* sample);

  // The pin's calls, overridable.
  virtual HRESULT Receive(IMediaSample* sample);
  virtual HRESULT EndOfStream();
  virtual HRESULT BeginFlush();
  virtual HRESULT EndFlush();

  CRendererInputPin* InputPin() { return pin_.get(); }
  bool IsEndOfStream();
  LONG SamplesRendered();

 private:
  // Wakes a Receive that waits (state change, flush).
  void WakeReceive();
  void SendEndOfStream();
  static void ScaleToRate(double rate, REFERENCE_TIME* start, REFERENCE_TIME* stop);

  std::unique_ptr<CRendererInputPin> pin_;
  CCritSec interfaceLock_;
  ComPtr<CPosPassThru> position_;

  std::mutex renderMutex_;
  std::condition_variable stateChanged_;  // for the paused wait and GetState
  CAMEvent wake_;                         // ends a clock wait
  ComPtr<IReferenceClock> renderClock_;
  bool haveSample_ = false;
  bool ready_ = true;  // the paused state is complete (sample or end of stream)
  bool endOfStream_ = false;
  bool completeSent_ = false;
  LONG rendered_ = 0;
};
