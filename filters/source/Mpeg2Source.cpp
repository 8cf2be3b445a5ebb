#include "filters/source/Mpeg2Source.h"

#include <algorithm>
#include <chrono>
#include <cstring>
#include <new>

#include "filters/sink/PsFormat.h"
#include "platform/com/ClassFactory.h"
#include "platform/com/TaskMemory.h"
#include "platform/media/DeviceInterfaces.h"
#include "platform/media/FilterMapper.h"
#include "platform/media/MediaGuids.h"

namespace filters {
namespace {

const AMOVIESETUP_MEDIATYPE kVideoTypes[] = {{&MEDIATYPE_Video, &MEDIASUBTYPE_MPEG2_VIDEO}};
const AMOVIESETUP_MEDIATYPE kAudioTypes[] = {{&MEDIATYPE_Audio, &MEDIASUBTYPE_DOLBY_AC3}};
const AMOVIESETUP_MEDIATYPE kTextTypes[] = {{&MEDIATYPE_TextStream, &MEDIASUBTYPE_None}};

const AMOVIESETUP_PIN kSetupPins[] = {
    {u"Video", FALSE, TRUE, FALSE, FALSE, &GUID_NULL, nullptr, 1, kVideoTypes},
    {u"Audio", FALSE, TRUE, FALSE, FALSE, &GUID_NULL, nullptr, 1, kAudioTypes},
    {u"Text", FALSE, TRUE, FALSE, FALSE, &GUID_NULL, nullptr, 1, kTextTypes},
};

const AMOVIESETUP_FILTER kSetupFilter = {&CLSID_MPEG2Source, kSourceFilterName, MERIT_DO_NOT_USE, 3,
                                         kSetupPins};

const CFactoryTemplate kClasses[] = {
    {kSourceFilterName, &CLSID_MPEG2Source, CMPEG2Source::CreateInstance, nullptr, &kSetupFilter},
};

std::size_t PinIndex(PinType stream) {
  return static_cast<std::size_t>(stream) - 1;
}

}  // namespace

const AMOVIESETUP_FILTER& Mpeg2SourceSetup() {
  return kSetupFilter;
}

void RegisterMpeg2SourceClass() {
  com::RegisterClasses(kClasses);
}

CUnknown* CMPEG2Source::CreateInstance(IUnknown*, HRESULT* hr) {
  HRESULT result = S_OK;
  auto* filter = new (std::nothrow) CMPEG2Source(&result);
  if (filter == nullptr) result = E_OUTOFMEMORY;
  if (hr != nullptr) *hr = result;
  return filter;
}

CMPEG2Source::CMPEG2Source(HRESULT* hr, FileSystem& fileSystem)
    : CBaseFilter("MPEG-2 Source", &lock_, CLSID_MPEG2Source),
      CSourceSeeking(&seekingLock_),
      core_(fileSystem) {
  rtDuration_ = kUnboundedTime;
  rtStop_ = kUnboundedTime;
  rateSeeking_ = 1.0;
  seekingCaps_ = kSeekingCapabilities;
  HRESULT result = S_OK;
  pins_[0] = std::make_unique<CPin>(this, &lock_, &result, PinType::kVideo, u"Video");
  pins_[1] = std::make_unique<CPin>(this, &lock_, &result, PinType::kAudio, u"Audio");
  pins_[2] = std::make_unique<CPin>(this, &lock_, &result, PinType::kText, u"Text");
  if (hr != nullptr) *hr = result;
}

CMPEG2Source::~CMPEG2Source() {
  // Normally the graph has stopped the filter; make sure no thread outlives it.
  CAutoLock threadLock(&threadLock_);
  active_ = false;
  StopThreadLocked();
}

HRESULT CMPEG2Source::NonDelegatingQueryInterface(REFIID iid, void** object) {
  if (iid == IID_IMediaSeeking) return GetInterface(static_cast<IMediaSeeking*>(this), object);
  if (iid == IID_IFileSourceFilter) {
    return GetInterface(static_cast<IFileSourceFilter*>(this), object);
  }
  if (iid == IID_IAMovieSetup) return GetInterface(static_cast<IAMovieSetup*>(this), object);
  if (iid == IID_IMPEG2Source) return GetInterface(static_cast<IMPEG2Source*>(this), object);
  return CBaseFilter::NonDelegatingQueryInterface(iid, object);
}

CBasePin* CMPEG2Source::GetPin(int n) {
  if (n < 0 || n >= static_cast<int>(pins_.size())) return nullptr;
  return pins_[static_cast<std::size_t>(n)].get();
}

CPin* CMPEG2Source::OutputPin(PinType stream) const {
  return pins_[PinIndex(stream)].get();
}

bool CMPEG2Source::IsSeekingPin(const CPin* pin) const {
  for (const auto& p : pins_) {
    if (p->IsConnected()) return p.get() == pin;
  }
  return false;
}

// ---- state ----------------------------------------------------------------------

HRESULT CMPEG2Source::Pause() {
  CAutoLock lock(&lock_);
  const bool wasStopped = IsStopped();
  const HRESULT hr = CBaseFilter::Pause();  // activates the connected pins
  if (FAILED(hr) || !wasStopped) return hr;
  CAutoLock threadLock(&threadLock_);
  active_ = true;
  StartThreadLocked();
  return hr;
}

HRESULT CMPEG2Source::Stop() {
  CAutoLock lock(&lock_);
  {
    CAutoLock threadLock(&threadLock_);
    active_ = false;
    StopThreadLocked();
  }
  return CBaseFilter::Stop();  // pins inactive: queues go
}

void CMPEG2Source::StartThreadLocked() {
  if (thread_.joinable()) return;
  const bool anyConnected =
      std::any_of(pins_.begin(), pins_.end(), [](const auto& p) { return p->IsConnected(); });
  if (!anyConnected) return;
  {
    std::lock_guard guard(wakeMutex_);
    stopRequested_ = false;
  }
  const Segment segment = segment_;
  thread_ = std::thread([this, segment] { StreamLoop(segment); });
}

void CMPEG2Source::StopThreadLocked() {
  if (!thread_.joinable()) return;
  {
    std::lock_guard guard(wakeMutex_);
    stopRequested_ = true;
  }
  wake_.notify_all();
  // A thread waiting for a free buffer wakes when the allocator is decommitted.
  for (const auto& p : pins_) {
    if (p->IsConnected() && p->Allocator() != nullptr) p->Allocator()->Decommit();
  }
  thread_.join();
}

void CMPEG2Source::RestartLocked() {
  if (!active_) return;  // stopped: the next Pause starts from the new values
  if (thread_.joinable()) {
    {
      std::lock_guard guard(wakeMutex_);
      stopRequested_ = true;
    }
    wake_.notify_all();
    // Flushing downstream returns the samples held there and in the queues.
    for (const auto& p : pins_) {
      if (p->IsConnected()) p->DeliverBeginFlush();
    }
    StopThreadLocked();
    for (const auto& p : pins_) {
      if (!p->IsConnected()) continue;
      if (p->Allocator() != nullptr) p->Allocator()->Commit();
      p->DeliverEndFlush();
    }
  }
  StartThreadLocked();
}

bool CMPEG2Source::StreamingThreadRunning() {
  CAutoLock threadLock(&threadLock_);
  return thread_.joinable();
}

// ---- IFileSourceFilter, IMPEG2Source, IAMovieSetup -------------------------------

HRESULT CMPEG2Source::Load(LPCWSTR fileName, const AM_MEDIA_TYPE*) {
  if (fileName == nullptr) return E_POINTER;
  CAutoLock lock(&lock_);
  if (!IsStopped()) return VFW_E_NOT_STOPPED;
  const HRESULT hr = core_.Load(fileName);
  CAutoLock seeking(&seekingLock_);
  rtStart_ = 0;
  CAutoLock threadLock(&threadLock_);
  segment_ = Segment{0, rtStop_, rateSeeking_};
  return hr;
}

HRESULT CMPEG2Source::GetCurFile(LPWSTR* fileName, AM_MEDIA_TYPE* mt) {
  if (fileName == nullptr) return E_POINTER;
  const std::u16string path = core_.GetCurFile();
  *fileName = TaskCopyName(path);
  if (*fileName == nullptr) return E_OUTOFMEMORY;
  if (mt != nullptr) *mt = AM_MEDIA_TYPE{};
  return S_OK;
}

HRESULT CMPEG2Source::SetSingleFile(DWORD value) {
  CAutoLock lock(&lock_);
  if (!IsStopped()) return VFW_E_NOT_STOPPED;
  return core_.UseSingleFile(value);
}

HRESULT CMPEG2Source::Register() {
  REGFILTER2 filter;
  filter.dwVersion = 1;
  filter.dwMerit = kSetupFilter.dwMerit;
  filter.cPins = kSetupFilter.nPins;
  filter.rgPins = kSetupFilter.lpPin;
  ComPtr<CFilterMapper2> mapper(new CFilterMapper2);
  return mapper->RegisterFilter(CLSID_MPEG2Source, kSourceFilterName, nullptr,
                                &CLSID_LegacyAmFilterCategory, nullptr, &filter);
}

HRESULT CMPEG2Source::Unregister() {
  ComPtr<CFilterMapper2> mapper(new CFilterMapper2);
  const HRESULT hr =
      mapper->UnregisterFilter(&CLSID_LegacyAmFilterCategory, nullptr, CLSID_MPEG2Source);
  return hr == HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND) ? S_OK : hr;
}

// ---- IMediaSeeking ----------------------------------------------------------------

HRESULT CMPEG2Source::GetAvailable(LONGLONG* earliest, LONGLONG* latest) {
  CAutoLock seeking(&seekingLock_);
  std::int64_t first = 0, last = 0;
  const HRESULT hr = core_.GetAvailable(first, last);
  if (earliest != nullptr) *earliest = first;
  if (latest != nullptr) *latest = last;
  return hr;
}

HRESULT CMPEG2Source::SetRate(double rate) {
  if (!(rate > 0)) {
    CAutoLock seeking(&seekingLock_);
    rateSeeking_ = 1.0;
    core_.SetRate(rate);  // refused there too; its rate returns to 1.0
    return E_FAIL;
  }
  return CSourceSeeking::SetRate(rate);
}

HRESULT CMPEG2Source::ChangeStart() {
  CAutoLock threadLock(&threadLock_);
  segment_ = Segment{rtStart_, rtStop_, rateSeeking_};
  RestartLocked();
  return S_OK;
}

HRESULT CMPEG2Source::ChangeStop() {
  // The stop position is reported and sent with the next new segment; it
  // does not end delivery early.
  CAutoLock threadLock(&threadLock_);
  segment_.stop = rtStop_;
  return S_OK;
}

HRESULT CMPEG2Source::ChangeRate() {
  core_.SetRate(rateSeeking_);
  CAutoLock threadLock(&threadLock_);
  segment_ = Segment{rtStart_, rtStop_, rateSeeking_};
  RestartLocked();
  return S_OK;
}

// ---- streaming thread ---------------------------------------------------------------

bool CMPEG2Source::StopRequested() {
  std::lock_guard guard(wakeMutex_);
  return stopRequested_;
}

bool CMPEG2Source::WaitForStop(int milliseconds) {
  std::unique_lock guard(wakeMutex_);
  return wake_.wait_for(guard, std::chrono::milliseconds(milliseconds),
                        [this] { return stopRequested_; });
}

void CMPEG2Source::StreamLoop(Segment segment) {
  core_.RefreshList();
  core_.SetPositions(segment.start, segment.stop);

  constexpr std::size_t kPins = 3;
  std::array<bool, kPins> live{};
  std::array<bool, kPins> discontinuity{};
  for (std::size_t k = 0; k < kPins; ++k) {
    live[k] = pins_[k]->IsConnected();
    discontinuity[k] = true;
    if (live[k]) pins_[k]->DeliverNewSegment(segment.start, segment.stop, segment.rate);
  }

  std::array<ComPtr<IMediaSample>, kPins> inHand;
  SourceRead read;
  while (!StopRequested()) {
    bool buffers = true;
    for (std::size_t k = 0; k < kPins && buffers; ++k) {
      if (!live[k] || inHand[k]) continue;
      buffers = SUCCEEDED(pins_[k]->GetDeliveryBuffer(&inHand[k], nullptr, nullptr, 0));
    }
    if (!buffers) {
      // Decommitted: a stop or a restart is under way.
      WaitForStop(kGrowthPollMilliseconds);
      continue;
    }

    const ReadStatus status = core_.ReadNext(read);
    if (status == ReadStatus::kNoDataYet) {
      WaitForStop(kGrowthPollMilliseconds);
      continue;
    }
    if (status == ReadStatus::kEndOfStream) {
      for (std::size_t k = 0; k < kPins; ++k) {
        inHand[k].Reset();
        if (live[k]) pins_[k]->DeliverEndOfStream();
      }
      // Ended early (a damaged list): the graph's owner tells the user.
      const HRESULT failure = core_.Failure();
      if (FAILED(failure)) NotifyEvent(EC_ERRORABORT, failure, 0);
      return;
    }

    for (const SourcePayload& payload : read.payloads) {
      const std::size_t k = PinIndex(payload.stream);
      if (k >= kPins || !live[k] || !inHand[k]) continue;
      IMediaSample* sample = inHand[k].Get();
      BYTE* buffer = nullptr;
      if (FAILED(sample->GetPointer(&buffer)) || buffer == nullptr ||
          payload.bytes.size() > static_cast<std::size_t>(std::max<LONG>(sample->GetSize(), 0))) {
        continue;  // cannot happen with the buffers DecideBufferSize agreed
      }
      sample->SetDiscontinuity(discontinuity[k] ? TRUE : FALSE);
      discontinuity[k] = false;
      sample->SetMediaTime(nullptr, nullptr);
      sample->SetPreroll(FALSE);
      sample->SetSyncPoint(FALSE);
      if (payload.hasPts) {
        REFERENCE_TIME start = payload.pts100 - segment.start;
        REFERENCE_TIME stop = start + 1;
        sample->SetTime(&start, &stop);
        sample->SetSyncPoint(TRUE);
      } else {
        sample->SetTime(nullptr, nullptr);
      }
      if (!payload.bytes.empty()) std::memcpy(buffer, payload.bytes.data(), payload.bytes.size());
      sample->SetActualDataLength(static_cast<LONG>(payload.bytes.size()));
      const HRESULT hr = pins_[k]->Deliver(sample);
      inHand[k].Reset();
      // Downstream refused (an error, or it wants no more): this pin is done
      // until the next start.
      if (hr != S_OK) live[k] = false;
    }
    if (std::none_of(live.begin(), live.end(), [](bool b) { return b; })) return;
  }
}

}  // namespace filters
