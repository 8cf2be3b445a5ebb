#include "demux/filter/DemuxOutputPin.h"

#include <algorithm>
#include <vector>

#include "demux/filter/DemuxFilter.h"
#include "demux/filter/MediaSampleFill.h"
#include "demux/filter/PidMapEnumerator.h"

namespace demux {

namespace {

// A fixed sample size smaller than a whole section is no useful bound for
// elementary-stream samples (a default type says 1): it is ignored.
constexpr std::size_t kSmallestSampleBound = kMaxSectionBytes;

}  // namespace

CDemuxOutputPin::CDemuxOutputPin(CDemuxFilter* filter, CCritSec* lock, HRESULT* hr, LPCWSTR name,
                                 const CMediaType& type)
    : CBaseOutputPin("Demux output pin", filter, lock, hr, name),
      demux_(filter),
      type_(type),
      config_(ConfigFor(type)) {
  // Our type first: it carries the format block the pin was created with.
  SetTryMyTypesFirst(true);
}

CDemuxOutputPin::~CDemuxOutputPin() = default;

HRESULT CDemuxOutputPin::NonDelegatingQueryInterface(REFIID iid, void** object) {
  if (iid == IID_IMPEG2PIDMap) return GetInterface(static_cast<IMPEG2PIDMap*>(this), object);
  return CBaseOutputPin::NonDelegatingQueryInterface(iid, object);
}

OutputConfig CDemuxOutputPin::ConfigFor(const AM_MEDIA_TYPE& type) {
  OutputConfig config;
  config.esDelivery = EsDelivery::kUnit;
  config.maxSampleBytes = kDefaultMaxSampleBytes;
  if (type.bFixedSizeSamples && type.lSampleSize >= kSmallestSampleBound) {
    config.maxSampleBytes = std::min<std::size_t>(type.lSampleSize, kLargestMaxSampleBytes);
  }
  return config;
}

void CDemuxOutputPin::SetType(const CMediaType& type) {
  type_ = type;
  config_ = ConfigFor(type);
  IncrementTypeVersion();
}

// ---- IMPEG2PIDMap ------------------------------------------------------------

HRESULT CDemuxOutputPin::MapPID(ULONG count, ULONG* pids, MEDIA_SAMPLE_CONTENT content) {
  if (pids == nullptr && count > 0) return E_POINTER;
  if (deleted_) return E_UNEXPECTED;
  return demux_->MapPids(this, std::span<const std::uint32_t>(pids, count),
                         static_cast<MediaSampleContent>(content));
}

HRESULT CDemuxOutputPin::UnmapPID(ULONG count, ULONG* pids) {
  if (pids == nullptr && count > 0) return E_POINTER;
  if (deleted_) return E_UNEXPECTED;
  return demux_->UnmapPids(this, std::span<const std::uint32_t>(pids, count));
}

HRESULT CDemuxOutputPin::EnumPIDMap(IEnumPIDMap** maps) {
  if (maps == nullptr) return E_POINTER;
  *maps = nullptr;
  if (deleted_) return E_UNEXPECTED;
  std::vector<PidMapping> mappings;
  const HRESULT hr = demux_->EnumPids(this, mappings);
  if (FAILED(hr)) return hr;
  std::vector<PID_MAP> list;
  list.reserve(mappings.size());
  for (const PidMapping& m : mappings) {
    list.push_back({m.pid, static_cast<MEDIA_SAMPLE_CONTENT>(m.content)});
  }
  auto* enumerator = new CPidMapEnumerator(std::move(list));
  return GetInterface(static_cast<IEnumPIDMap*>(enumerator), reinterpret_cast<void**>(maps));
}

// ---- connection ----------------------------------------------------------------

HRESULT CDemuxOutputPin::CheckMediaType(const CMediaType* mt) {
  if (mt == nullptr) return E_POINTER;
  if (mt->majortype != type_.majortype) return VFW_E_TYPE_NOT_ACCEPTED;
  if (type_.subtype != GUID_NULL && mt->subtype != type_.subtype) return VFW_E_TYPE_NOT_ACCEPTED;
  return S_OK;
}

HRESULT CDemuxOutputPin::GetMediaType(int position, CMediaType* mt) {
  if (position < 0) return E_INVALIDARG;
  if (mt == nullptr) return E_POINTER;
  if (position > 0) return VFW_S_NO_MORE_ITEMS;
  *mt = type_;
  return S_OK;
}

HRESULT CDemuxOutputPin::DecideBufferSize(IMemAllocator* allocator, ALLOCATOR_PROPERTIES* request) {
  if (allocator == nullptr || request == nullptr) return E_POINTER;
  const auto needed = static_cast<LONG>(std::max(config_.maxSampleBytes, kMaxSectionBytes));
  ALLOCATOR_PROPERTIES want;
  want.cbBuffer = std::max(request->cbBuffer, needed);
  const long long asked = static_cast<long long>(std::max<LONG>(request->cBuffers, 0)) *
                          std::max<LONG>(request->cbBuffer, 0);
  const long long count = (asked + want.cbBuffer - 1) / want.cbBuffer;
  want.cBuffers = static_cast<LONG>(std::clamp<long long>(count, kMinBuffers, kMaxBuffers));
  want.cbAlign = std::max<LONG>(request->cbAlign, 1);
  want.cbPrefix = std::max<LONG>(request->cbPrefix, 0);
  ALLOCATOR_PROPERTIES got;
  const HRESULT hr = allocator->SetProperties(&want, &got);
  if (FAILED(hr)) return hr;
  if (got.cbBuffer < needed || got.cBuffers < 1) return E_FAIL;
  return S_OK;
}

HRESULT CDemuxOutputPin::Active() {
  HRESULT hr = CBaseOutputPin::Active();
  if (FAILED(hr)) return hr;
  const bool queued = !demux_->DirectDelivery();
  auto queue = std::make_shared<COutputQueue>(GetConnected(), &hr, queued, queued);
  if (FAILED(hr)) return hr;
  std::lock_guard lock(queueMutex_);
  queue_ = std::move(queue);
  return S_OK;
}

HRESULT CDemuxOutputPin::Inactive() {
  // Decommitting first wakes a Receive waiting for a buffer of this pin.
  const HRESULT hr = CBaseOutputPin::Inactive();
  std::shared_ptr<COutputQueue> queue;
  {
    std::lock_guard lock(queueMutex_);
    queue.swap(queue_);
  }
  return hr;  // the queue goes (its thread ends) when the last user lets go
}

std::shared_ptr<COutputQueue> CDemuxOutputPin::Queue() {
  std::lock_guard lock(queueMutex_);
  return queue_;
}

// ---- streaming ---------------------------------------------------------------

void CDemuxOutputPin::Deliver(const Sample& sample) {
  const std::shared_ptr<COutputQueue> queue = Queue();
  if (!queue || demux_->InputFlushing()) {
    ++dropped_;
    return;
  }
  IMediaSample* media = nullptr;
  if (FAILED(GetDeliveryBuffer(&media, nullptr, nullptr, 0)) || media == nullptr) {
    ++dropped_;
    return;
  }
  if (FAILED(FillMediaSample(sample, media, demux_->InputTuneMark()))) {
    media->Release();
    ++dropped_;
    return;
  }
  // The queue takes over the reference; a refusing receiver is the queue's
  // business until the next flush.
  queue->Receive(media);
  ++delivered_;
}

void CDemuxOutputPin::PassBeginFlush() {
  if (const auto queue = Queue()) {
    queue->BeginFlush();
  } else if (IsConnected()) {
    DeliverBeginFlush();
  }
}

void CDemuxOutputPin::PassEndFlush() {
  if (const auto queue = Queue()) {
    queue->EndFlush();
  } else if (IsConnected()) {
    DeliverEndFlush();
  }
}

void CDemuxOutputPin::PassEndOfStream() {
  if (const auto queue = Queue()) {
    queue->EOS();
  } else if (IsConnected()) {
    DeliverEndOfStream();
  }
}

void CDemuxOutputPin::PassNewSegment(REFERENCE_TIME start, REFERENCE_TIME stop, double rate) {
  if (const auto queue = Queue()) {
    queue->NewSegment(start, stop, rate);
  } else if (IsConnected()) {
    DeliverNewSegment(start, stop, rate);
  }
}

}  // namespace demux
