// A video source for the caption filter tests: one output pin offering MPEG-2
// video that delivers the samples the test queues (bytes, optional times,
// discontinuity flag), then end of stream when asked. It streams only what it
// is given, so a test can also leave it idle and call the caption filter's
// input pin itself.
#pragma once

#include <cstring>
#include <deque>
#include <mutex>
#include <optional>
#include <vector>

#include "platform/media/MediaGuids.h"
#include "platform/media/Source.h"

namespace capsift::test {

inline constexpr CLSID CLSID_TestVideoSource = com::GuidOf("9D1F6A40-7C22-4E0B-9A51-2B7C3E5D8F01");

struct PendingSample {
  std::vector<std::uint8_t> bytes;
  std::optional<REFERENCE_TIME> start;
  bool discontinuity = false;
};

class CVideoStream : public CSourceStream {
 public:
  CVideoStream(CSource* source, HRESULT* hr, const CMediaType& type)
      : CSourceStream("test video", hr, source, u"Video"), type_(type) {}

  void Queue(PendingSample layout) {
    std::lock_guard lock(mutex_);
    pending_.push_back(std::move(layout));
  }
  void QueueEndOfStream() {
    std::lock_guard lock(mutex_);
    endQueued_ = true;
  }

  HRESULT GetMediaType(CMediaType* mt) override {
    *mt = type_;
    return S_OK;
  }
  HRESULT DecideBufferSize(IMemAllocator* allocator, ALLOCATOR_PROPERTIES*) override {
    ALLOCATOR_PROPERTIES want, got;
    want.cBuffers = 4;
    want.cbBuffer = kBufferSize;
    want.cbAlign = 1;
    const HRESULT hr = allocator->SetProperties(&want, &got);
    return FAILED(hr) ? hr : got.cbBuffer < kBufferSize ? E_FAIL : S_OK;
  }
  HRESULT FillBuffer(IMediaSample*) override { return S_FALSE; }

 protected:
  // Delivers queued samples as they come and answers commands in between.
  HRESULT DoBufferProcessingLoop() override {
    for (;;) {
      if (WaitForRequest(2)) {
        DWORD command = CMD_STOP;
        CheckRequest(&command);
        if (command != CMD_RUN && command != CMD_PAUSE) return S_FALSE;
        Reply(S_OK);
        continue;
      }
      std::optional<PendingSample> next;
      bool end = false;
      {
        std::lock_guard lock(mutex_);
        if (!pending_.empty()) {
          next = std::move(pending_.front());
          pending_.pop_front();
        } else if (endQueued_) {
          end = true;
          endQueued_ = false;
        }
      }
      if (end) DeliverEndOfStream();
      if (!next) continue;
      ComPtr<IMediaSample> sample;
      if (FAILED(GetDeliveryBuffer(&sample, nullptr, nullptr, 0))) continue;
      BYTE* data = nullptr;
      sample->GetPointer(&data);
      std::memcpy(data, next->bytes.data(), next->bytes.size());
      sample->SetActualDataLength(static_cast<LONG>(next->bytes.size()));
      if (next->start) {
        REFERENCE_TIME start = *next->start, stop = *next->start + 1;
        sample->SetTime(&start, &stop);
      }
      sample->SetDiscontinuity(next->discontinuity ? TRUE : FALSE);
      Deliver(sample.Get());
    }
  }

 private:
  static constexpr LONG kBufferSize = 512 * 1024;
  CMediaType type_;
  std::mutex mutex_;
  std::deque<PendingSample> pending_;
  bool endQueued_ = false;
};

class CVideoSource : public CSource {
 public:
  explicit CVideoSource(const CMediaType& type = CMediaType(MEDIATYPE_Video,
                                                            MEDIASUBTYPE_MPEG2_VIDEO))
      : CSource("test video source", nullptr, CLSID_TestVideoSource, nullptr) {
    HRESULT hr = S_OK;
    stream_ = new CVideoStream(this, &hr, type);
  }
  CVideoStream* Stream() { return stream_; }

 private:
  CVideoStream* stream_;
};

}  // namespace capsift::test
