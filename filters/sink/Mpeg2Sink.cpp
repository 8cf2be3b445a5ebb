#include "filters/sink/Mpeg2Sink.h"

#include "platform/com/ClassFactory.h"
#include "platform/com/TaskMemory.h"
#include "platform/media/FilterMapper.h"
#include "platform/media/MediaGuids.h"

namespace {

const AMOVIESETUP_MEDIATYPE kVideoTypes[] = {{&MEDIATYPE_Video, &MEDIASUBTYPE_MPEG2_VIDEO}};
const AMOVIESETUP_MEDIATYPE kAudioTypes[] = {{&MEDIATYPE_Audio, &MEDIASUBTYPE_DOLBY_AC3}};
const AMOVIESETUP_MEDIATYPE kTextTypes[] = {{&MEDIATYPE_TextStream, &MEDIASUBTYPE_None}};

const AMOVIESETUP_PIN kPins[] = {
    {u"MPEG-2 Video ES", TRUE, FALSE, FALSE, FALSE, &GUID_NULL, nullptr, 1, kVideoTypes},
    {u"AC3 Audio ES", TRUE, FALSE, FALSE, FALSE, &GUID_NULL, nullptr, 1, kAudioTypes},
    {u"Text", TRUE, FALSE, FALSE, FALSE, &GUID_NULL, nullptr, 1, kTextTypes},
};

const AMOVIESETUP_FILTER kSetup = {&CLSID_MPEG2Sink, kMpeg2SinkName, MERIT_DO_NOT_USE, 3, kPins};

const CFactoryTemplate kClasses[] = {
    {kMpeg2SinkName, &CLSID_MPEG2Sink, CMPEG2Sink::CreateInstance, nullptr, &kSetup},
};

// The result codes of IFileSinkFilter::SetFileName; a name that does not fit
// and an entry without a path answer plain numbers.
HRESULT ToHResult(filters::FileNameResult result) {
  using filters::FileNameResult;
  switch (result) {
    case FileNameResult::kOpened:
      return S_OK;
    case FileNameResult::kNullName:
      return E_POINTER;
    case FileNameResult::kNameTooLong:
      return 206;
    case FileNameResult::kNoPath:
      return 123;
    case FileNameResult::kSecondList:
    case FileNameResult::kCreateFailed:
      return E_FAIL;
  }
  return E_FAIL;
}

}  // namespace

// ---- receive locks --------------------------------------------------------------

ReceiveLocks::ReceiveLocks(CMPEG2Sink& sink) : sink_(sink) {
  for (auto& pin : sink_.pins_)
    pin->ReceiveLock()->Lock();
}

ReceiveLocks::~ReceiveLocks() {
  for (int i = 2; i >= 0; --i)
    sink_.pins_[i]->ReceiveLock()->Unlock();
}

// ---- filter -----------------------------------------------------------------------

CMPEG2Sink::CMPEG2Sink(filters::FileSystem& fileSystem)
    : CBaseFilter("MPEG-2 Sink", &lock_, CLSID_MPEG2Sink), core_(fileSystem) {
  HRESULT hr = S_OK;
  pins_[0] =
      std::make_unique<CInputPin0>(this, &lock_, &hr, filters::PinType::kVideo, u"MPEG-2 Video ES");
  pins_[1] =
      std::make_unique<CInputPin0>(this, &lock_, &hr, filters::PinType::kAudio, u"AC3 Audio ES");
  pins_[2] = std::make_unique<CInputPin0>(this, &lock_, &hr, filters::PinType::kText, u"Text");
}

// The seeking pass-through goes first (it points at the video pin), then the
// pins, then the core, which closes the current file with its end code.
CMPEG2Sink::~CMPEG2Sink() {
  seeking_ = nullptr;
}

CUnknown* CMPEG2Sink::CreateInstance(IUnknown* outer, HRESULT* hr) {
  if (outer != nullptr) {
    if (hr) *hr = CLASS_E_NOAGGREGATION;
    return nullptr;
  }
  if (hr) *hr = S_OK;
  return new CMPEG2Sink;
}

HRESULT CMPEG2Sink::NonDelegatingQueryInterface(REFIID iid, void** object) {
  if (iid == IID_IFileSinkFilter) return GetInterface(static_cast<IFileSinkFilter*>(this), object);
  if (iid == IID_IMPEG2Sink) return GetInterface(static_cast<IMPEG2Sink*>(this), object);
  if (iid == IID_IAMovieSetup) return GetInterface(static_cast<IAMovieSetup*>(this), object);
  if (iid == IID_MPEG2SinkObject) return GetInterface(this, object);
  if (iid == IID_IMediaSeeking) {
    CAutoLock lock(&lock_);
    if (!seeking_) {
      HRESULT hr = S_OK;
      seeking_ = new CPosPassThru("MPEG-2 Sink seeking", nullptr, &hr, pins_[0].get());
    }
    return seeking_->NonDelegatingQueryInterface(iid, object);
  }
  return CBaseFilter::NonDelegatingQueryInterface(iid, object);
}

CBasePin* CMPEG2Sink::GetPin(int n) {
  return n >= 0 && n < 3 ? pins_[n].get() : nullptr;
}

HRESULT CMPEG2Sink::Stop() {
  CAutoLock lock(&lock_);
  // A Receive that got past its streaming check before the state changed
  // finishes first; one that comes later sees the filter stopped. So no pack
  // is written after the end code, and none into a closed file.
  ReceiveLocks receiveLocks(*this);
  const HRESULT hr = CBaseFilter::Stop();
  core_.Stop();
  return hr;
}

HRESULT CMPEG2Sink::SetSyncSource(IReferenceClock* clock) {
  CAutoLock lock(&lock_);
  const HRESULT hr = CBaseFilter::SetSyncSource(clock);
  std::lock_guard guard(clockMutex_);
  clockCopy_ = clock;
  return hr;
}

filters::FilterClock CMPEG2Sink::ClockNow() {
  filters::FilterClock clock;
  if (State() != State_Running) return clock;
  ComPtr<IReferenceClock> referenceClock;
  {
    std::lock_guard guard(clockMutex_);
    referenceClock = clockCopy_;
  }
  REFERENCE_TIME now = 0;
  if (!referenceClock || FAILED(referenceClock->GetTime(&now))) return clock;
  clock.running = true;
  clock.streamTime = now - StartTime();
  return clock;
}

HRESULT CMPEG2Sink::SetFileName(LPCWSTR name, const AM_MEDIA_TYPE*) {
  CAutoLock lock(&lock_);
  ReceiveLocks receiveLocks(*this);
  return ToHResult(core_.SetFileName(name, ClockNow()));
}

HRESULT CMPEG2Sink::GetCurFile(LPWSTR* name, AM_MEDIA_TYPE* mt) {
  if (name == nullptr) return E_POINTER;
  CAutoLock lock(&lock_);
  *name = TaskCopyName(core_.GetCurFile());
  if (*name == nullptr) return E_OUTOFMEMORY;
  if (mt != nullptr) *mt = AM_MEDIA_TYPE();
  return S_OK;
}

HRESULT CMPEG2Sink::Register() {
  REGFILTER2 filter;
  filter.dwVersion = 1;
  filter.dwMerit = kSetup.dwMerit;
  filter.cPins = kSetup.nPins;
  filter.rgPins = kSetup.lpPin;
  ComPtr<CFilterMapper2> mapper(new CFilterMapper2);
  return mapper->RegisterFilter(CLSID_MPEG2Sink, kMpeg2SinkName, nullptr,
                                &CLSID_LegacyAmFilterCategory, nullptr, &filter);
}

HRESULT CMPEG2Sink::Unregister() {
  ComPtr<CFilterMapper2> mapper(new CFilterMapper2);
  const HRESULT hr =
      mapper->UnregisterFilter(&CLSID_LegacyAmFilterCategory, nullptr, CLSID_MPEG2Sink);
  // Nothing registered is nothing to remove.
  return hr == HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND) ? S_OK : hr;
}

// ---- creation -----------------------------------------------------------------------

HRESULT CreateMpeg2Sink(IBaseFilter** filter) {
  if (filter == nullptr) return E_POINTER;
  ComPtr<CMPEG2Sink> sink(new CMPEG2Sink);
  *filter = static_cast<IBaseFilter*>(sink.Get());
  (*filter)->AddRef();
  return S_OK;
}

void RegisterMpeg2SinkClass() {
  com::RegisterClasses(kClasses);
}

const AMOVIESETUP_FILTER& Mpeg2SinkSetup() {
  return kSetup;
}
