#include "tests/support/CaptureRenderer.h"

#include <chrono>
#include <thread>

CCaptureRenderer::CCaptureRenderer(HRESULT* hr, const GUID& majorType, LPCWSTR pinName)
    : CBaseRenderer(CLSID_CaptureRenderer, "capture renderer", nullptr, hr, pinName),
      majorType_(majorType) {}

HRESULT CCaptureRenderer::CheckMediaType(const CMediaType* mt) {
  if (majorType_ == GUID_NULL || mt->majortype == majorType_) return S_OK;
  return VFW_E_TYPE_NOT_ACCEPTED;
}

HRESULT CCaptureRenderer::DoRenderSample(IMediaSample* sample) {
  if (const DWORD delay = renderDelayMs_.load()) {
    std::this_thread::sleep_for(std::chrono::milliseconds(delay));
  }
  Sample s;
  BYTE* data = nullptr;
  sample->GetPointer(&data);
  const LONG length = sample->GetActualDataLength();
  if (data != nullptr && length > 0) s.data.assign(data, data + length);
  s.hasTime = SUCCEEDED(sample->GetTime(&s.start, &s.stop));
  s.hasMediaTime = SUCCEEDED(sample->GetMediaTime(&s.mediaStart, &s.mediaStop));
  s.syncPoint = sample->IsSyncPoint() == S_OK;
  s.discontinuity = sample->IsDiscontinuity() == S_OK;
  s.preroll = sample->IsPreroll() == S_OK;
  ComPtr<IMediaSample2> sample2;
  if (SUCCEEDED(sample->QueryInterface(IID_PPV_ARGS(&sample2)))) {
    AM_SAMPLE2_PROPERTIES props;
    sample2->GetProperties(sizeof props, reinterpret_cast<BYTE*>(&props));
    s.typeSpecificFlags = props.dwTypeSpecificFlags;
  }
  REFERENCE_TIME streamTime = 0;
  if (SUCCEEDED(StreamTime(&streamTime))) s.renderedAt = streamTime;
  std::lock_guard lock(mutex_);
  samples_.push_back(std::move(s));
  arrived_.notify_all();
  return S_OK;
}

HRESULT CCaptureRenderer::EndOfStream() {
  // Counted before the base class reports completion, so whoever sees the
  // completion also sees the count.
  if (InputPin()->CheckStreaming() == S_OK) {
    std::lock_guard lock(mutex_);
    ++endOfStreams_;
    arrived_.notify_all();
  }
  return CBaseRenderer::EndOfStream();
}

std::vector<CCaptureRenderer::Sample> CCaptureRenderer::Samples() {
  std::lock_guard lock(mutex_);
  return samples_;
}

std::vector<BYTE> CCaptureRenderer::AllBytes() {
  std::lock_guard lock(mutex_);
  std::vector<BYTE> all;
  for (const Sample& s : samples_)
    all.insert(all.end(), s.data.begin(), s.data.end());
  return all;
}

int CCaptureRenderer::EndOfStreamCount() {
  std::lock_guard lock(mutex_);
  return endOfStreams_;
}

bool CCaptureRenderer::WaitForSamples(std::size_t count, DWORD milliseconds) {
  std::unique_lock lock(mutex_);
  return arrived_.wait_for(lock, std::chrono::milliseconds(milliseconds),
                           [&] { return samples_.size() >= count; });
}
