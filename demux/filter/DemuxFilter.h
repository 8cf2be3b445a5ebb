// The "Demux" filter: the program's MPEG-2 transport-stream demultiplexer in
// the media graph, a thin shell over the engine (TsDemuxer).
//
// Pins: one input, "MPEG-2 Stream", taking the tuner's transport stream
// (major type stream or BDA transport, subtype MPEG-2 transport or BDA
// transport), and output pins created on request through IMpeg2Demultiplexer,
// each an engine output whose PIDs are mapped through the pin's IMPEG2PIDMap.
//
// Streaming. Receive feeds the sample's bytes to the engine; the engine hands
// samples to the output pins on the same thread. A sample marked as a
// discontinuity (bytes were lost upstream) first flushes the engine, so the
// next unit of every stream is marked too. End of stream completes units in
// progress, then passes on. BeginFlush passes on first (so blocked receivers
// let go), then drops everything in progress in the engine.
//
// Time. Activation (stopped to paused) resets the engine. While the filter
// runs with a reference clock, each input sample's arrival on that clock (its
// stream time) goes with its bytes, and sample start times (PTS on the PCR
// timeline) follow the arrivals: the first PCR lies at its arrival, and the
// timeline is re-anchored after a tune (the tuner marks the first input
// sample after one as a discontinuity), a gap, a PCR jump or discontinuity
// (see ProgramClock.h), so video and audio stay on the graph's clock beside
// the text stream. Without a running clock, or with arrival timing off (a
// graph fed faster than real time, whose clock says nothing of when the bytes
// are due), the first PCR is stream time 0, where the graph's stream time
// begins at Run, and the PCR timeline alone times the samples. A tune told
// through IDemuxControl::NotifyTune marks a discontinuity on every stream and
// starts a new epoch. The tune mark of the input (common/TuneMark.h) goes
// with every output sample made from it.
//
// Locks, in this order: the filter lock (state, pins), the receive lock (the
// engine: ingest, maps, outputs), the pin-list lock (the pin vector only).
// Receive takes only the receive lock. Map calls wait while a Receive waits
// for a free buffer of a blocked receiver.
#pragma once

#include <atomic>
#include <memory>
#include <mutex>
#include <optional>
#include <span>
#include <vector>

#include "demux/TsDemuxer.h"
#include "demux/filter/DemuxInterfaces.h"
#include "demux/filter/DemuxOutputPin.h"
#include "platform/media/BaseFilter.h"
#include "platform/media/InputPin.h"

namespace demux {

class CDemuxFilter;

class CDemuxInputPin : public CBaseInputPin {
 public:
  CDemuxInputPin(CDemuxFilter* filter, CCritSec* lock, HRESULT* hr);

  HRESULT CheckMediaType(const CMediaType* mt) override;
  HRESULT GetMediaType(int position, CMediaType* mt) override;
  HRESULT Receive(IMediaSample* sample) override;
  HRESULT EndOfStream() override;
  HRESULT BeginFlush() override;
  HRESULT EndFlush() override;
  HRESULT NewSegment(REFERENCE_TIME start, REFERENCE_TIME stop, double rate) override;

 private:
  CDemuxFilter* demux_;
};

class CDemuxFilter : public CBaseFilter,
                     public IMpeg2Demultiplexer,
                     public IDemuxControl,
                     private ClockObserver {
 public:
  static constexpr const char16_t* kInputPinName = u"MPEG-2 Stream";

  CDemuxFilter();
  ~CDemuxFilter() override;

  // The filter, created in process, with one reference for the caller.
  static HRESULT Create(IBaseFilter** filter);

  HRESULT NonDelegatingQueryInterface(REFIID iid, void** object) override;

  // IMpeg2Demultiplexer
  HRESULT CreateOutputPin(AM_MEDIA_TYPE* mediaType, LPWSTR pinName, IPin** pin) override;
  HRESULT SetOutputPinMediaType(LPWSTR pinName, AM_MEDIA_TYPE* mediaType) override;
  HRESULT DeleteOutputPin(LPWSTR pinName) override;

  // IDemuxControl
  HRESULT NotifyTune() override;
  HRESULT SetPcrPid(ULONG pid) override;
  HRESULT SetArrivalTiming(BOOL on) override;
  HRESULT GetClockState(DemuxClockState* state) override;

  // CBaseFilter
  int GetPinCount() override;
  CBasePin* GetPin(int n) override;
  HRESULT Pause() override;
  HRESULT SetSyncSource(IReferenceClock* clock) override;

  // Direct delivery: output pins made active afterwards pass samples on in
  // the ingesting thread instead of through a queue thread each. For a graph
  // run offline as fast as it goes, where the hand-over costs more than it
  // saves. Takes effect at the next run.
  void SetDirectDelivery(bool on) { directDelivery_ = on; }
  bool DirectDelivery() const { return directDelivery_; }

  // ---- for the pins ----
  // `tuneMark`: the tune the bytes were received on (common/TuneMark.h),
  // passed on with everything delivered from them.
  void Ingest(std::span<const std::uint8_t> bytes, bool discontinuity, std::uint32_t tuneMark = 0);
  // The mark of the input being ingested; for the pins, under the receive lock.
  std::uint32_t InputTuneMark() const { return tuneMark_; }
  void EndOfInput();
  void BeginFlushOutputs();
  void EndFlushOutputs();
  void NewSegmentOutputs(REFERENCE_TIME start, REFERENCE_TIME stop, double rate);
  bool InputFlushing() const { return input_->IsFlushing(); }
  HRESULT MapPids(CDemuxOutputPin* pin, std::span<const std::uint32_t> pids,
                  MediaSampleContent content);
  HRESULT UnmapPids(CDemuxOutputPin* pin, std::span<const std::uint32_t> pids);
  HRESULT EnumPids(CDemuxOutputPin* pin, std::vector<PidMapping>& mappings);

  // Counters of the engine (taken under the receive lock).
  InputStatistics Input();
  PidStatistics Statistics(std::uint16_t pid);

 private:
  void OnPcr(const PcrEvent& event) override;
  // The filter's stream time now, when it runs with a reference clock.
  std::optional<std::int64_t> ArrivalTime();
  CDemuxOutputPin* FindOutput(LPCWSTR name);
  std::vector<CDemuxOutputPin*> Outputs();
  // Gives the pin a fresh engine output for its configuration, keeping its PIDs.
  HRESULT RecreateEngineOutput(CDemuxOutputPin* pin, const OutputConfig& config);

  CCritSec filterLock_;
  CCritSec receiveLock_;
  TsDemuxer engine_;                     // under receiveLock_
  bool arrivalTiming_ = true;            // under receiveLock_
  std::optional<std::int64_t> arrival_;  // of the input being ingested, under receiveLock_
  std::uint32_t tuneMark_ = 0;           // of the input being ingested, under receiveLock_
  std::atomic<bool> directDelivery_{false};
  std::unique_ptr<CDemuxInputPin> input_;

  std::mutex pinsMutex_;
  std::vector<std::unique_ptr<CDemuxOutputPin>> outputs_;
  std::vector<std::unique_ptr<CDemuxOutputPin>> deleted_;  // kept until destruction

  std::mutex clockMutex_;
  DemuxClockState clockState_;
  ComPtr<IReferenceClock> arrivalClock_;  // the filter's clock, for ArrivalTime
};

}  // namespace demux
