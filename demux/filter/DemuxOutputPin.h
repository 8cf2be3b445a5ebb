// An output pin of the "Demux" filter, created on request.
//
// The pin offers the one media type it was created with and is an output of
// the engine (OutputSink): each engine sample is copied into a buffer of the
// pin's allocator (MediaSampleFill.h) and handed to the pin's output queue,
// which delivers on a thread of its own when the downstream pin may block.
// The queue lives while the pin is active (paused or running).
//
// The pin answers IMPEG2PIDMap; the filter carries the calls to the engine
// under its receive lock.
//
// Buffers: each holds the largest elementary-stream sample of the pin (the
// media type's fixed sample size when at least 4096 bytes, else 65536), and
// never less than a whole section. The count covers the memory the downstream
// pin asks for (its count times its size), at least 32 and at most 256.
// GetDeliveryBuffer waits for a free buffer: a receiver that falls behind
// holds up the demultiplexer rather than losing data.
#pragma once

#include <atomic>
#include <memory>
#include <mutex>

#include "demux/DemuxTypes.h"
#include "demux/TsDemuxer.h"
#include "demux/filter/DemuxInterfaces.h"
#include "platform/media/OutputPin.h"
#include "platform/media/OutputQueue.h"

namespace demux {

class CDemuxFilter;

class CDemuxOutputPin : public CBaseOutputPin, public IMPEG2PIDMap, public OutputSink {
 public:
  static constexpr LONG kMinBuffers = 32;
  static constexpr LONG kMaxBuffers = 256;

  CDemuxOutputPin(CDemuxFilter* filter, CCritSec* lock, HRESULT* hr, LPCWSTR name,
                  const CMediaType& type);
  ~CDemuxOutputPin() override;

  HRESULT NonDelegatingQueryInterface(REFIID iid, void** object) override;

  // IMPEG2PIDMap
  HRESULT MapPID(ULONG count, ULONG* pids, MEDIA_SAMPLE_CONTENT content) override;
  HRESULT UnmapPID(ULONG count, ULONG* pids) override;
  HRESULT EnumPIDMap(IEnumPIDMap** maps) override;

  // CBasePin / CBaseOutputPin
  HRESULT CheckMediaType(const CMediaType* mt) override;
  HRESULT GetMediaType(int position, CMediaType* mt) override;
  HRESULT DecideBufferSize(IMemAllocator* allocator, ALLOCATOR_PROPERTIES* request) override;
  HRESULT Active() override;
  HRESULT Inactive() override;

  // OutputSink: on the streaming thread, under the filter's receive lock.
  void Deliver(const Sample& sample) override;
  using CBaseOutputPin::Deliver;

  // Stream calls passed on through the queue (or straight on without one).
  void PassBeginFlush();
  void PassEndFlush();
  void PassEndOfStream();
  void PassNewSegment(REFERENCE_TIME start, REFERENCE_TIME stop, double rate);

  // ---- for the filter ----
  // The engine configuration a media type asks for.
  static OutputConfig ConfigFor(const AM_MEDIA_TYPE& type);
  const OutputConfig& Config() const { return config_; }
  // The type and engine output; changed under the filter lock and receive lock.
  void SetType(const CMediaType& type);
  OutputId EngineOutput() const { return output_; }
  void SetEngineOutput(OutputId id) { output_ = id; }
  // A deleted pin stays alive (callers may still hold it) but maps nothing.
  void MarkDeleted() { deleted_ = true; }
  bool Deleted() const { return deleted_; }

  // Samples handed downstream, and engine samples dropped (no queue, flushing,
  // no buffer, too large).
  std::uint64_t SamplesDelivered() const { return delivered_.load(); }
  std::uint64_t SamplesDropped() const { return dropped_.load(); }

  // The output queue while the pin is active, else null: a caller that needs
  // to know when everything handed downstream has arrived waits for it to be
  // idle.
  std::shared_ptr<COutputQueue> Queue();

 private:
  CDemuxFilter* demux_;
  CMediaType type_;
  OutputConfig config_;
  OutputId output_ = 0;
  std::atomic<bool> deleted_{false};

  std::mutex queueMutex_;
  std::shared_ptr<COutputQueue> queue_;

  std::atomic<std::uint64_t> delivered_{0};
  std::atomic<std::uint64_t> dropped_{0};
};

}  // namespace demux
