#include "tests/demux_filter/TsSource.h"

#include <algorithm>
#include <chrono>
#include <thread>

namespace demux::test {

CTsStream::CTsStream(CTsSource* source, HRESULT* hr)
    : CSourceStream("TS test stream", hr, source, u"Out"), source_(source) {}

HRESULT CTsStream::GetMediaType(CMediaType* mt) {
  *mt = CMediaType(MEDIATYPE_Stream, MEDIASUBTYPE_MPEG2_TRANSPORT);
  mt->SetVariableSize();
  return S_OK;
}

HRESULT CTsStream::DecideBufferSize(IMemAllocator* allocator, ALLOCATOR_PROPERTIES*) {
  ALLOCATOR_PROPERTIES want, got;
  want.cBuffers = 4;
  want.cbBuffer = static_cast<LONG>(source_->chunk_);
  want.cbAlign = 1;
  const HRESULT hr = allocator->SetProperties(&want, &got);
  return FAILED(hr) ? hr : S_OK;
}

HRESULT CTsStream::FillBuffer(IMediaSample* sample) {
  // Bounded, so a graph stopped before the condition holds cannot hang here.
  for (int i = 0; source_->holdUntil_ && !source_->holdUntil_() && i < 5000; ++i)
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  auto& segments = source_->segments_;
  while (segment_ < segments.size() && offset_ >= segments[segment_].size()) {
    ++segment_;
    offset_ = 0;
    if (segment_ < segments.size() && source_->hook_) source_->hook_(segment_);
  }
  if (segment_ >= segments.size()) return S_FALSE;
  const auto& bytes = segments[segment_];
  const std::size_t n = std::min(source_->chunk_, bytes.size() - offset_);
  BYTE* buffer = nullptr;
  sample->GetPointer(&buffer);
  std::copy_n(bytes.begin() + static_cast<std::ptrdiff_t>(offset_), n, buffer);
  sample->SetActualDataLength(static_cast<LONG>(n));
  sample->SetDiscontinuity(offset_ == 0 && source_->discontinuities_.count(segment_) != 0);
  offset_ += n;
  return S_OK;
}

CTsSource::CTsSource(std::vector<std::vector<std::uint8_t>> segments, std::size_t chunk, Hook hook)
    : CSource("TS test source", nullptr, CLSID_TsTestSource, nullptr),
      segments_(std::move(segments)),
      chunk_(chunk),
      hook_(std::move(hook)) {
  HRESULT hr = S_OK;
  stream_ = new CTsStream(this, &hr);
}

}  // namespace demux::test
