#include "platform/sbe/StreamBufferSource.h"

#include <filesystem>

#include "common/Utf16.h"
#include "filters/sink/IMPEG2Sink.h"
#include "platform/sbe/StreamBufferSink.h"

namespace sbe {
namespace {

bool IsStub(std::u16string_view path) {
  return path.size() > 4 && path.substr(path.size() - 4) == u".tmp";
}

}  // namespace

CUnknown* CStreamBufferSource::CreateInstance(IUnknown* outer, HRESULT* hr) {
  if (outer != nullptr) {
    if (hr) *hr = CLASS_E_NOAGGREGATION;
    return nullptr;
  }
  return new CStreamBufferSource(hr);
}

HRESULT CStreamBufferSource::NonDelegatingQueryInterface(REFIID iid, void** object) {
  if (iid == IID_IStreamBufferSource)
    return GetInterface(static_cast<IStreamBufferSource*>(this), object);
  if (iid == IID_IStreamBufferInitialize)
    return GetInterface(static_cast<IStreamBufferInitialize*>(this), object);
  if (iid == IID_IStreamBufferMediaSeeking)
    return GetInterface(static_cast<IStreamBufferMediaSeeking*>(this), object);
  return CMPEG2Source::NonDelegatingQueryInterface(iid, object);
}

HRESULT CStreamBufferSource::Load(LPCWSTR fileName, const AM_MEDIA_TYPE* mt) {
  if (fileName == nullptr) return E_POINTER;
  const std::u16string path(fileName);
  HRESULT hr = S_OK;
  if (IsStub(path)) {
    const std::filesystem::path list = ListOfStub(std::filesystem::path(common::ToUtf8(path)));
    if (list.empty()) return HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND);
    hr = CMPEG2Source::Load(common::FromUtf8(list.string()).c_str(), mt);
  } else {
    // A recording is one programme stream, whatever its extension.
    hr = CMPEG2Source::Load(fileName, mt);
  }
  if (SUCCEEDED(hr)) loaded_ = path;
  return hr;
}

HRESULT CStreamBufferSource::GetCurFile(LPWSTR* fileName, AM_MEDIA_TYPE* mt) {
  if (fileName == nullptr) return E_POINTER;
  *fileName = TaskCopyName(loaded_);
  if (*fileName == nullptr) return E_OUTOFMEMORY;
  if (mt != nullptr) *mt = AM_MEDIA_TYPE();
  return S_OK;
}

HRESULT CStreamBufferSource::SetStreamSink(IStreamBufferSink* sink) {
  if (sink == nullptr) return E_POINTER;
  CMPEG2Sink* object = nullptr;
  if (FAILED(sink->QueryInterface(IID_MPEG2SinkObject, reinterpret_cast<void**>(&object))))
    return E_NOINTERFACE;
  auto* bufferSink = dynamic_cast<CStreamBufferSink*>(object);
  const std::filesystem::path stub = bufferSink ? bufferSink->Stub() : std::filesystem::path();
  object->Release();
  if (stub.empty()) return E_UNEXPECTED;
  return Load(common::FromUtf8(stub.string()).c_str(), nullptr);
}

HRESULT CStreamBufferSource::SetHKEY(HKEY key) {
  if (key == nullptr) return E_INVALIDARG;
  key_ = key;
  return S_OK;
}

HRESULT CStreamBufferSource::SetPositions(LONGLONG* current, DWORD currentFlags, LONGLONG* stop,
                                          DWORD stopFlags) {
  bool stale = false;
  if (current != nullptr &&
      (currentFlags & AM_SEEKING_PositioningBitsMask) == AM_SEEKING_AbsolutePositioning) {
    LONGLONG earliest = 0;
    LONGLONG latest = 0;
    if (SUCCEEDED(GetAvailable(&earliest, &latest)) && *current < earliest) {
      *current = earliest;
      stale = true;
    }
  }
  const HRESULT hr = CMPEG2Source::SetPositions(current, currentFlags, stop, stopFlags);
  if (stale && SUCCEEDED(hr)) NotifyEvent(STREAMBUFFER_EC_STALE_DATA_READ, 0, 0);
  return hr;
}

HRESULT CStreamBufferSource::SetRate(double rate) {
  const HRESULT hr = CMPEG2Source::SetRate(rate);
  if (SUCCEEDED(hr)) NotifyEvent(STREAMBUFFER_EC_RATE_CHANGED, 0, 0);
  return hr;
}

// The rest is the source's own seeking.
HRESULT CStreamBufferSource::GetCapabilities(DWORD* capabilities) {
  return CMPEG2Source::GetCapabilities(capabilities);
}
HRESULT CStreamBufferSource::CheckCapabilities(DWORD* capabilities) {
  return CMPEG2Source::CheckCapabilities(capabilities);
}
HRESULT CStreamBufferSource::IsFormatSupported(const GUID* format) {
  return CMPEG2Source::IsFormatSupported(format);
}
HRESULT CStreamBufferSource::QueryPreferredFormat(GUID* format) {
  return CMPEG2Source::QueryPreferredFormat(format);
}
HRESULT CStreamBufferSource::GetTimeFormat(GUID* format) {
  return CMPEG2Source::GetTimeFormat(format);
}
HRESULT CStreamBufferSource::IsUsingTimeFormat(const GUID* format) {
  return CMPEG2Source::IsUsingTimeFormat(format);
}
HRESULT CStreamBufferSource::SetTimeFormat(const GUID* format) {
  return CMPEG2Source::SetTimeFormat(format);
}
HRESULT CStreamBufferSource::GetDuration(LONGLONG* duration) {
  return CMPEG2Source::GetDuration(duration);
}
HRESULT CStreamBufferSource::GetStopPosition(LONGLONG* stop) {
  return CMPEG2Source::GetStopPosition(stop);
}
HRESULT CStreamBufferSource::GetCurrentPosition(LONGLONG* current) {
  return CMPEG2Source::GetCurrentPosition(current);
}
HRESULT CStreamBufferSource::ConvertTimeFormat(LONGLONG* target, const GUID* targetFormat,
                                               LONGLONG source, const GUID* sourceFormat) {
  return CMPEG2Source::ConvertTimeFormat(target, targetFormat, source, sourceFormat);
}
HRESULT CStreamBufferSource::GetPositions(LONGLONG* current, LONGLONG* stop) {
  return CMPEG2Source::GetPositions(current, stop);
}
HRESULT CStreamBufferSource::GetAvailable(LONGLONG* earliest, LONGLONG* latest) {
  return CMPEG2Source::GetAvailable(earliest, latest);
}
HRESULT CStreamBufferSource::GetRate(double* rate) {
  return CMPEG2Source::GetRate(rate);
}
HRESULT CStreamBufferSource::GetPreroll(LONGLONG* preroll) {
  return CMPEG2Source::GetPreroll(preroll);
}

}  // namespace sbe
