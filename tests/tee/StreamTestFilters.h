// Small filters around the tee and the dump in their tests: a source whose
// output pin sends samples on demand (the shared push source), and sinks that accept chosen
// subtypes, record what they receive and can send quality notices upstream.
#pragma once

#include <atomic>
#include <cstring>
#include <mutex>
#include <span>
#include <vector>

#include "platform/media/InputPin.h"
#include "platform/media/MediaGuids.h"
#include "platform/media/OutputPin.h"
#include "tests/support/PushSource.h"

namespace filters::test {

inline constexpr CLSID CLSID_TestSource = com::GuidOf("3F0B6E21-9A55-4F1E-8C0D-6B7A1E2C4D01");
inline constexpr CLSID CLSID_TestSink = com::GuidOf("3F0B6E21-9A55-4F1E-8C0D-6B7A1E2C4D02");

inline CMediaType TransportType(const GUID& subtype = MEDIASUBTYPE_MPEG2_TRANSPORT) {
  return CMediaType(MEDIATYPE_Stream, subtype);
}

inline bool Contains(const std::vector<GUID>& list, const GUID& g) {
  for (const GUID& x : list) {
    if (x == g) return true;
  }
  return false;
}

inline std::vector<CMediaType> TransportTypes(const std::vector<GUID>& subtypes) {
  std::vector<CMediaType> types;
  for (const GUID& subtype : subtypes)
    types.push_back(TransportType(subtype));
  return types;
}

// The pins offer their subtypes in order.
inline HRESULT OfferType(const std::vector<GUID>& subtypes, int position, CMediaType* mt) {
  if (position < 0) return E_INVALIDARG;
  if (position >= static_cast<int>(subtypes.size())) return VFW_S_NO_MORE_ITEMS;
  *mt = TransportType(subtypes[static_cast<std::size_t>(position)]);
  return S_OK;
}

// Sends each sample when the test asks, offering its subtypes in order.
class TestSource : public testsupport::CPushSource {
 public:
  explicit TestSource(const std::vector<GUID>& subtypes = {MEDIASUBTYPE_MPEG2_TRANSPORT})
      : CPushSource(TransportTypes(subtypes),
                    {.bufferSize = 1024, .buffers = 8, .clsid = CLSID_TestSource}) {}
};

class TestSink : public CBaseFilter {
 public:
  explicit TestSink(std::vector<GUID> subtypes = {MEDIASUBTYPE_MPEG2_TRANSPORT})
      : CBaseFilter("test sink", &lock_, CLSID_TestSink), subtypes_(std::move(subtypes)) {
    HRESULT hr = S_OK;
    pin_ = std::make_unique<Pin>(this, &hr);
  }
  int GetPinCount() override { return 1; }
  CBasePin* GetPin(int n) override { return n == 0 ? pin_.get() : nullptr; }
  CBaseInputPin* Input() { return pin_.get(); }

  void SetSubtypes(std::vector<GUID> subtypes) { subtypes_ = std::move(subtypes); }
  void FailWith(HRESULT hr) { failure_ = hr; }
  // Off: samples are only counted (for long runs).
  void KeepPayloads(bool keep) { keep_ = keep; }
  // Says its Receive may block, as a renderer does, so the tee queues for it.
  void SayReceiveCanBlock(bool may) { mayBlock_ = may; }
  long long Received() const { return received_.load(); }
  std::vector<std::vector<std::uint8_t>> Payloads() {
    std::lock_guard lock(mutex_);
    return payloads_;
  }
  std::vector<BYTE*> Buffers() {
    std::lock_guard lock(mutex_);
    return buffers_;
  }
  int EndOfStreams() const { return eos_.load(); }
  bool SawReadOnly() const { return pin_->IsReadOnly(); }
  HRESULT SendQualityNotice() {
    ComPtr<IQualityControl> upstream;
    IPin* peer = pin_->GetConnected();
    if (peer == nullptr || FAILED(peer->QueryInterface(IID_PPV_ARGS(&upstream)))) {
      return E_NOINTERFACE;
    }
    Quality q;
    q.Type = Flood;
    return upstream->Notify(this, q);
  }

 private:
  class Pin : public CBaseInputPin {
   public:
    Pin(TestSink* f, HRESULT* hr) : CBaseInputPin("sink in", f, &f->lock_, hr, u"In"), f_(f) {}
    HRESULT CheckMediaType(const CMediaType* mt) override {
      return mt->majortype == MEDIATYPE_Stream && Contains(f_->subtypes_, mt->subtype)
                 ? S_OK
                 : VFW_E_TYPE_NOT_ACCEPTED;
    }
    HRESULT GetMediaType(int position, CMediaType* mt) override {
      return OfferType(f_->subtypes_, position, mt);
    }
    HRESULT Receive(IMediaSample* sample) override {
      HRESULT hr = CBaseInputPin::Receive(sample);
      if (hr != S_OK) return hr;
      if (FAILED(f_->failure_)) return f_->failure_;
      ++f_->received_;
      if (!f_->keep_) return S_OK;
      BYTE* data = nullptr;
      sample->GetPointer(&data);
      std::lock_guard lock(f_->mutex_);
      f_->payloads_.emplace_back(data, data + sample->GetActualDataLength());
      f_->buffers_.push_back(data);
      return S_OK;
    }
    HRESULT EndOfStream() override {
      ++f_->eos_;
      return S_OK;
    }
    // Never blocks (unless told to say so): the tee delivers on the caller's thread.
    HRESULT ReceiveCanBlock() override { return f_->mayBlock_ ? S_OK : S_FALSE; }

   private:
    TestSink* f_;
  };

  CCritSec lock_;
  std::vector<GUID> subtypes_;
  std::unique_ptr<Pin> pin_;
  std::atomic<HRESULT> failure_{S_OK};
  std::mutex mutex_;
  std::vector<std::vector<std::uint8_t>> payloads_;
  std::vector<BYTE*> buffers_;
  std::atomic<int> eos_{0};
  std::atomic<bool> keep_{true};
  std::atomic<bool> mayBlock_{false};
  std::atomic<long long> received_{0};
};

// Counts the notices given to it as a quality sink.
class QualityCounter : public CUnknown, public IQualityControl {
 public:
  HRESULT NonDelegatingQueryInterface(REFIID iid, void** object) override {
    if (iid == IID_IQualityControl)
      return GetInterface(static_cast<IQualityControl*>(this), object);
    return CUnknown::NonDelegatingQueryInterface(iid, object);
  }
  HRESULT Notify(IBaseFilter*, Quality) override {
    ++count;
    return S_OK;
  }
  HRESULT SetSink(IQualityControl*) override { return S_OK; }
  std::atomic<int> count{0};
};

}  // namespace filters::test
