#include "demux/filter/MediaSampleFill.h"

#include <algorithm>
#include <cstddef>

#include "common/TuneMark.h"
#include "platform/com/ComPtr.h"

namespace demux {

HRESULT FillMediaSample(const Sample& sample, IMediaSample* media, std::uint32_t tuneMark) {
  if (media == nullptr) return E_POINTER;
  const LONG size = media->GetSize();
  if (size < 0 || sample.data.size() > static_cast<std::size_t>(size)) {
    return VFW_E_BUFFER_OVERFLOW;
  }
  BYTE* buffer = nullptr;
  HRESULT hr = media->GetPointer(&buffer);
  if (FAILED(hr)) return hr;
  if (buffer == nullptr && !sample.data.empty()) return E_POINTER;
  std::copy(sample.data.begin(), sample.data.end(), buffer);
  hr = media->SetActualDataLength(static_cast<LONG>(sample.data.size()));
  if (FAILED(hr)) return hr;

  if ((sample.flags & kSampleTimeValid) != 0) {
    REFERENCE_TIME start = sample.startTime;
    REFERENCE_TIME stop = sample.startTime + 1;
    media->SetTime(&start, &stop);
  } else {
    media->SetTime(nullptr, nullptr);
  }
  media->SetSyncPoint((sample.flags & kSampleSyncPoint) != 0 ? TRUE : FALSE);
  media->SetDiscontinuity((sample.flags & kSampleDiscontinuity) != 0 ? TRUE : FALSE);
  media->SetPreroll(FALSE);

  ComPtr<IMediaSample2> extended;
  if (SUCCEEDED(media->QueryInterface(IID_PPV_ARGS(&extended)))) {
    // Only cbData and the type-specific flags: the rest keeps what was set above.
    AM_SAMPLE2_PROPERTIES props;
    props.dwTypeSpecificFlags = common::WithTuneMark(sample.pid & kMaxPid, tuneMark);
    constexpr DWORD kFlagsOnly = offsetof(AM_SAMPLE2_PROPERTIES, dwSampleFlags);
    props.cbData = kFlagsOnly;
    hr = extended->SetProperties(kFlagsOnly, reinterpret_cast<const BYTE*>(&props));
    if (FAILED(hr)) return hr;
  }
  return S_OK;
}

}  // namespace demux
