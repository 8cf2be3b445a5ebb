#include "platform/av/NullRenderer.h"

namespace av {

CNullRenderer::CNullRenderer(HRESULT* hr, LPCWSTR pinName)
    : CBaseRenderer(CLSID_NullRenderer, "null renderer", nullptr, hr, pinName) {}

CUnknown* CNullRenderer::CreateInstance(IUnknown* outer, HRESULT* hr) {
  if (outer != nullptr) {
    if (hr) *hr = CLASS_E_NOAGGREGATION;
    return nullptr;
  }
  HRESULT result = S_OK;
  auto* renderer = new CNullRenderer(&result);
  if (hr) *hr = result;
  return renderer;
}

HRESULT CNullRenderer::CheckMediaType(const CMediaType* mt) {
  return mt == nullptr ? E_POINTER : S_OK;
}

HRESULT CNullRenderer::ShouldDrawSampleNow(IMediaSample*, REFERENCE_TIME*, REFERENCE_TIME*) {
  return immediately_.load() ? S_OK : S_FALSE;
}

HRESULT CNullRenderer::DoRenderSample(IMediaSample* sample) {
  const LONG length = sample->GetActualDataLength();
  REFERENCE_TIME start = 0, stop = 0;
  const bool timed = SUCCEEDED(sample->GetTime(&start, &stop));
  std::shared_ptr<const Callback> callback;
  {
    std::lock_guard lock(mutex_);
    ++stats_.samples;
    if (length > 0) stats_.bytes += static_cast<std::uint64_t>(length);
    if (timed) {
      if (stats_.timedSamples++ == 0) stats_.firstStart = start;
      stats_.lastStart = start;
      stats_.lastStop = stop;
    }
    callback = callback_;
  }
  if (callback) (*callback)(sample);
  return S_OK;
}

HRESULT CNullRenderer::EndOfStream() {
  // Counted before the base class reports completion, so whoever sees the
  // completion also sees the count.
  if (InputPin()->CheckStreaming() == S_OK) {
    std::lock_guard lock(mutex_);
    ++stats_.endOfStreams;
  }
  return CBaseRenderer::EndOfStream();
}

void CNullRenderer::SetCallback(Callback callback) {
  auto held = callback ? std::make_shared<const Callback>(std::move(callback)) : nullptr;
  std::lock_guard lock(mutex_);
  callback_ = std::move(held);
}

CNullRenderer::Stats CNullRenderer::GetStats() {
  std::lock_guard lock(mutex_);
  return stats_;
}

void CNullRenderer::ResetStats() {
  std::lock_guard lock(mutex_);
  stats_ = Stats{};
}

}  // namespace av
