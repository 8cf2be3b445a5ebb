// Small filters built on the framework's base classes, used by the tests to
// drive connections, allocators, streaming, queues and seeking.
#pragma once

#include <atomic>
#include <condition_variable>
#include <mutex>
#include <vector>

#include "platform/media/InputPin.h"
#include "platform/media/MediaGuids.h"
#include "platform/media/OutputPin.h"
#include "platform/media/OutputQueue.h"
#include "platform/media/Seeking.h"
#include "platform/media/Source.h"
#include "tests/support/CaptureRenderer.h"

namespace test {

inline constexpr CLSID CLSID_TestSource = com::GuidOf("5E2B0C11-0001-4A8B-8D7E-3C1F0E9A6B01");
inline constexpr CLSID CLSID_TestPassThrough = com::GuidOf("5E2B0C11-0002-4A8B-8D7E-3C1F0E9A6B01");
inline constexpr CLSID CLSID_TestSink = com::GuidOf("5E2B0C11-0003-4A8B-8D7E-3C1F0E9A6B01");

class CTestSource;

// Delivers `count` samples of `size` bytes: sample i is filled with the byte i
// and stamped [start + i*duration, start + (i+1)*duration), then end of stream.
class CTestStream : public CSourceStream {
 public:
  CTestStream(CTestSource* source, HRESULT* hr, const CMediaType& type);

  HRESULT GetMediaType(CMediaType* mt) override;
  HRESULT DecideBufferSize(IMemAllocator* allocator, ALLOCATOR_PROPERTIES* request) override;
  HRESULT FillBuffer(IMediaSample* sample) override;
  HRESULT DoBufferProcessingLoop() override;

  void Configure(int count, LONG size, REFERENCE_TIME duration, LONG buffers = 4);
  // Restarts numbering at the sample holding `position` (a seek).
  void Restart(REFERENCE_TIME position);
  int Delivered() const { return next_.load(); }
  // While held the stream delivers nothing (and still answers commands).
  void SetHold(bool hold) { hold_ = hold; }
  ALLOCATOR_PROPERTIES Granted() const { return granted_; }

 private:
  CMediaType type_;
  std::atomic<int> next_{0};
  std::atomic<bool> hold_{false};
  std::atomic<int> count_{10};
  LONG size_ = 188;
  LONG buffers_ = 4;
  REFERENCE_TIME duration_ = 10 * kUnitsPerMillisecond;
  REFERENCE_TIME startPosition_ = 0;
  bool discontinuity_ = false;
  ALLOCATOR_PROPERTIES granted_;
};

// A source with one stream that also seeks: SetPositions restarts the stream
// at the sample holding the new start.
class CTestSource : public CSource, public CSourceSeeking {
 public:
  explicit CTestSource(const CMediaType& type = CMediaType(MEDIATYPE_Stream,
                                                           MEDIASUBTYPE_MPEG2_TRANSPORT));
  HRESULT NonDelegatingQueryInterface(REFIID iid, void** object) override;

  CTestStream* Stream() { return stream_; }
  int StartChanges() const { return startChanges_.load(); }
  REFERENCE_TIME LastStart();

 protected:
  HRESULT ChangeStart() override;
  HRESULT ChangeStop() override { return S_OK; }
  HRESULT ChangeRate() override;

 private:
  CCritSec seekLock_;
  CTestStream* stream_;
  std::atomic<int> startChanges_{0};
};

// One input, one output; passes each sample on through an output queue in
// automatic mode (like a tee's output), or straight with Deliver.
class CTestPassThrough : public CBaseFilter {
 public:
  explicit CTestPassThrough(bool useQueue, LONG batchSize = 1, bool batchExact = false);
  ~CTestPassThrough() override;

  int GetPinCount() override { return 2; }
  CBasePin* GetPin(int n) override;

  class InputPin;
  class OutputPin;
  InputPin* Input() { return input_; }
  OutputPin* Output() { return output_; }
  COutputQueue* Queue();
  // Offer the input's allocator downstream read-only (as a tee does).
  void ShareAllocatorReadOnly(bool share) { shareReadOnly_ = share; }

 private:
  friend class InputPin;
  friend class OutputPin;
  CCritSec lock_;
  InputPin* input_;
  OutputPin* output_;
  bool useQueue_;
  LONG batchSize_;
  bool batchExact_;
  bool shareReadOnly_ = false;
};

class CTestPassThrough::InputPin : public CBaseInputPin {
 public:
  InputPin(CTestPassThrough* filter, HRESULT* hr);
  HRESULT CheckMediaType(const CMediaType* mt) override;
  HRESULT Receive(IMediaSample* sample) override;
  HRESULT EndOfStream() override;
  HRESULT BeginFlush() override;
  HRESULT EndFlush() override;
  HRESULT NewSegment(REFERENCE_TIME start, REFERENCE_TIME stop, double rate) override;

 private:
  CTestPassThrough* owner_;
};

class CTestPassThrough::OutputPin : public CBaseOutputPin {
 public:
  OutputPin(CTestPassThrough* filter, HRESULT* hr);
  HRESULT CheckMediaType(const CMediaType* mt) override;
  HRESULT GetMediaType(int position, CMediaType* mt) override;
  HRESULT DecideBufferSize(IMemAllocator* allocator, ALLOCATOR_PROPERTIES* request) override;
  HRESULT DecideAllocator(IMemInputPin* pin, IMemAllocator** allocator) override;
  HRESULT Active() override;
  HRESULT Inactive() override;
  HRESULT Deliver(IMediaSample* sample) override;
  HRESULT DeliverEndOfStream() override;
  HRESULT DeliverBeginFlush() override;
  HRESULT DeliverEndFlush() override;
  HRESULT DeliverNewSegment(REFERENCE_TIME start, REFERENCE_TIME stop, double rate) override;
  // The seeking of the filter goes upstream.
  HRESULT NonDelegatingQueryInterface(REFIID iid, void** object) override;

  std::unique_ptr<COutputQueue> queue;

 private:
  CTestPassThrough* owner_;
  ComPtr<CPosPassThru> seeking_;
};

// A sink whose single input pin accepts one major type (any with GUID_NULL),
// refuses others with a chosen code, states allocator requirements, and counts
// what it receives without ever blocking (ReceiveCanBlock S_FALSE).
class CTestSink : public CBaseFilter {
 public:
  CTestSink(const GUID& major, HRESULT refusal = VFW_E_TYPE_NOT_ACCEPTED);
  ~CTestSink() override;

  int GetPinCount() override { return 1; }
  CBasePin* GetPin(int n) override;

  class Pin;
  Pin* InputPin() { return pin_; }
  void SetRequirements(const ALLOCATOR_PROPERTIES& props) { requirements_ = props; }
  void SetOfferedTypes(std::vector<CMediaType> types) { offered_ = std::move(types); }
  void RefuseAllocator(bool refuse) { refuseAllocator_ = refuse; }
  int Received();
  std::vector<int> FirstBytes();

 private:
  friend class Pin;
  CCritSec lock_;
  Pin* pin_;
  GUID major_;
  HRESULT refusal_;
  ALLOCATOR_PROPERTIES requirements_;
  std::vector<CMediaType> offered_;
  bool refuseAllocator_ = false;
  std::mutex mutex_;
  std::vector<int> firstBytes_;
};

class CTestSink::Pin : public CRenderedInputPin {
 public:
  Pin(CTestSink* filter, HRESULT* hr);
  HRESULT CheckMediaType(const CMediaType* mt) override;
  HRESULT GetMediaType(int position, CMediaType* mt) override;
  HRESULT GetAllocatorRequirements(ALLOCATOR_PROPERTIES* props) override;
  HRESULT GetAllocator(IMemAllocator** allocator) override;
  HRESULT Receive(IMediaSample* sample) override;
  HRESULT ReceiveCanBlock() override { return S_FALSE; }

 private:
  CTestSink* owner_;
};

}  // namespace test
