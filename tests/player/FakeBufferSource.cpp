#include "tests/player/FakeBufferSource.h"

#include "platform/media/MediaGuids.h"

namespace player::test {
namespace {

constexpr CLSID kFakeSourceClass = com::GuidOf("3F0C2B6E-8D1A-4E57-9B2C-6A1D0E5F7C42");

class CSilentStream : public CSourceStream {
 public:
  CSilentStream(CSource* source, const GUID& major, const GUID& subtype, LPCWSTR name)
      : CSourceStream("silent stream", &hr_, source, name), type_(major, subtype) {}

  HRESULT GetMediaType(CMediaType* mt) override {
    *mt = type_;
    return S_OK;
  }
  HRESULT DecideBufferSize(IMemAllocator* allocator, ALLOCATOR_PROPERTIES* request) override {
    request->cBuffers = 1;
    request->cbBuffer = 4096;
    ALLOCATOR_PROPERTIES actual;
    return allocator->SetProperties(request, &actual);
  }
  HRESULT FillBuffer(IMediaSample*) override { return S_FALSE; }

 private:
  HRESULT hr_ = S_OK;
  CMediaType type_;
};

}  // namespace

CFakeBufferSource::CFakeBufferSource(REFERENCE_TIME available)
    : CSource("fake buffer source", nullptr, kFakeSourceClass, nullptr),
      CSourceSeeking(&seekLock_) {
  new CSilentStream(this, MEDIATYPE_Video, MEDIASUBTYPE_MPEG2_VIDEO, u"Video");
  new CSilentStream(this, MEDIATYPE_Audio, MEDIASUBTYPE_DOLBY_AC3, u"Audio");
  rtDuration_ = available;
  rtStop_ = available;
}

HRESULT CFakeBufferSource::NonDelegatingQueryInterface(REFIID iid, void** object) {
  if (iid == IID_IMediaSeeking) return GetInterface(static_cast<IMediaSeeking*>(this), object);
  if (iid == IID_IFileSourceFilter)
    return GetInterface(static_cast<IFileSourceFilter*>(this), object);
  return CSource::NonDelegatingQueryInterface(iid, object);
}

REFERENCE_TIME CFakeBufferSource::Position() {
  CAutoLock lock(&seekLock_);
  return rtStart_;
}

}  // namespace player::test
