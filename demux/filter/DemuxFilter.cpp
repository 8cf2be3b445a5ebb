#include "demux/filter/DemuxFilter.h"

#include <string_view>

#include "common/TuneMark.h"
#include "platform/media/MediaGuids.h"

namespace demux {

namespace {

bool IsTransportStream(const AM_MEDIA_TYPE& mt) {
  const bool major =
      mt.majortype == MEDIATYPE_Stream || mt.majortype == KSDATAFORMAT_TYPE_MPEG2_TRANSPORT;
  const bool sub = mt.subtype == MEDIASUBTYPE_MPEG2_TRANSPORT ||
                   mt.subtype == KSDATAFORMAT_SUBTYPE_BDA_MPEG2_TRANSPORT;
  return major && sub;
}

// The result codes of the PID map and the demultiplexer's interfaces.
HRESULT ToHResult(DemuxResult result) {
  switch (result) {
    case DemuxResult::kDone:
      return S_OK;
    case DemuxResult::kUnchanged:
      return S_FALSE;
    case DemuxResult::kMissingArgument:
      return E_POINTER;
    case DemuxResult::kInvalidArgument:
      return E_INVALIDARG;
    case DemuxResult::kCalledFromOutput:
      return E_UNEXPECTED;
  }
  return E_UNEXPECTED;
}

}  // namespace

// ---- input pin ---------------------------------------------------------------

CDemuxInputPin::CDemuxInputPin(CDemuxFilter* filter, CCritSec* lock, HRESULT* hr)
    : CBaseInputPin("Demux input pin", filter, lock, hr, CDemuxFilter::kInputPinName),
      demux_(filter) {}

HRESULT CDemuxInputPin::CheckMediaType(const CMediaType* mt) {
  if (mt == nullptr) return E_POINTER;
  return IsTransportStream(*mt) ? S_OK : VFW_E_TYPE_NOT_ACCEPTED;
}

HRESULT CDemuxInputPin::GetMediaType(int position, CMediaType* mt) {
  if (position < 0) return E_INVALIDARG;
  if (mt == nullptr) return E_POINTER;
  if (position > 0) return VFW_S_NO_MORE_ITEMS;
  *mt = CMediaType(MEDIATYPE_Stream, MEDIASUBTYPE_MPEG2_TRANSPORT);
  mt->SetVariableSize();
  return S_OK;
}

HRESULT CDemuxInputPin::Receive(IMediaSample* sample) {
  HRESULT hr = CBaseInputPin::Receive(sample);
  if (hr != S_OK) return hr;
  BYTE* data = nullptr;
  hr = sample->GetPointer(&data);
  if (FAILED(hr)) return hr;
  const LONG length = sample->GetActualDataLength();
  const LONG size = sample->GetSize();
  if (data == nullptr || length < 0 || length > size) return E_UNEXPECTED;
  const bool discontinuity = (SampleProps().dwSampleFlags & AM_SAMPLE_DATADISCONTINUITY) != 0;
  demux_->Ingest(std::span<const std::uint8_t>(data, static_cast<std::size_t>(length)),
                 discontinuity, common::TuneMarkOf(SampleProps().dwTypeSpecificFlags));
  return S_OK;
}

HRESULT CDemuxInputPin::EndOfStream() {
  if (CheckStreaming() != S_OK) return S_OK;  // nothing to complete while flushing or stopped
  demux_->EndOfInput();
  return S_OK;
}

HRESULT CDemuxInputPin::BeginFlush() {
  CBaseInputPin::BeginFlush();
  demux_->BeginFlushOutputs();
  return S_OK;
}

HRESULT CDemuxInputPin::EndFlush() {
  demux_->EndFlushOutputs();
  return CBaseInputPin::EndFlush();
}

HRESULT CDemuxInputPin::NewSegment(REFERENCE_TIME start, REFERENCE_TIME stop, double rate) {
  CBasePin::NewSegment(start, stop, rate);
  demux_->NewSegmentOutputs(start, stop, rate);
  return S_OK;
}

// ---- filter ------------------------------------------------------------------

CDemuxFilter::CDemuxFilter() : CBaseFilter("Demux", &filterLock_, CLSID_CorvaneDemux) {
  HRESULT hr = S_OK;
  input_ = std::make_unique<CDemuxInputPin>(this, &filterLock_, &hr);
  engine_.SetClockObserver(this);
}

CDemuxFilter::~CDemuxFilter() {
  engine_.SetClockObserver(nullptr);
}

HRESULT CDemuxFilter::Create(IBaseFilter** filter) {
  if (filter == nullptr) return E_POINTER;
  auto* demux = new CDemuxFilter;
  return GetInterface(static_cast<IBaseFilter*>(demux), reinterpret_cast<void**>(filter));
}

HRESULT CDemuxFilter::NonDelegatingQueryInterface(REFIID iid, void** object) {
  if (iid == IID_IMpeg2Demultiplexer) {
    return GetInterface(static_cast<IMpeg2Demultiplexer*>(this), object);
  }
  if (iid == IID_IDemuxControl) return GetInterface(static_cast<IDemuxControl*>(this), object);
  return CBaseFilter::NonDelegatingQueryInterface(iid, object);
}

int CDemuxFilter::GetPinCount() {
  std::lock_guard lock(pinsMutex_);
  return 1 + static_cast<int>(outputs_.size());
}

CBasePin* CDemuxFilter::GetPin(int n) {
  if (n == 0) return input_.get();
  std::lock_guard lock(pinsMutex_);
  if (n < 0 || n > static_cast<int>(outputs_.size())) return nullptr;
  return outputs_[static_cast<std::size_t>(n - 1)].get();
}

std::vector<CDemuxOutputPin*> CDemuxFilter::Outputs() {
  std::lock_guard lock(pinsMutex_);
  std::vector<CDemuxOutputPin*> pins;
  pins.reserve(outputs_.size());
  for (const auto& pin : outputs_)
    pins.push_back(pin.get());
  return pins;
}

CDemuxOutputPin* CDemuxFilter::FindOutput(LPCWSTR name) {
  const std::u16string_view wanted(name);
  std::lock_guard lock(pinsMutex_);
  for (const auto& pin : outputs_) {
    if (pin->Name() == wanted) return pin.get();
  }
  return nullptr;
}

HRESULT CDemuxFilter::Pause() {
  CAutoLock lock(&filterLock_);
  if (IsStopped()) {
    // The graph's stream time starts again at 0: so does the programme clock,
    // and whatever was in progress before the stop is gone.
    CAutoLock receive(&receiveLock_);
    engine_.Reset();
    engine_.Rebase(0);
    std::lock_guard clock(clockMutex_);
    clockState_ = DemuxClockState();
  }
  return CBaseFilter::Pause();
}

// ---- IMpeg2Demultiplexer -----------------------------------------------------

HRESULT CDemuxFilter::CreateOutputPin(AM_MEDIA_TYPE* mediaType, LPWSTR pinName, IPin** pin) {
  if (pin != nullptr) *pin = nullptr;
  if (mediaType == nullptr || pinName == nullptr) return E_POINTER;
  if (pinName[0] == u'\0') return E_INVALIDARG;
  CAutoLock lock(&filterLock_);
  if (FindOutput(pinName) != nullptr || std::u16string_view(pinName) == kInputPinName) {
    return VFW_E_DUPLICATE_NAME;
  }
  HRESULT hr = S_OK;
  const CMediaType type(*mediaType);
  auto output = std::make_unique<CDemuxOutputPin>(this, &filterLock_, &hr, pinName, type);
  if (FAILED(hr)) return hr;
  {
    CAutoLock receive(&receiveLock_);
    OutputId id = 0;
    hr = ToHResult(engine_.CreateOutput(output->Config(), output.get(), &id));
    if (FAILED(hr)) return hr;
    output->SetEngineOutput(id);
  }
  CDemuxOutputPin* created = output.get();
  {
    std::lock_guard pins(pinsMutex_);
    outputs_.push_back(std::move(output));
  }
  IncrementPinVersion();
  if (pin != nullptr) {
    *pin = created;
    created->AddRef();
  }
  return S_OK;
}

HRESULT CDemuxFilter::RecreateEngineOutput(CDemuxOutputPin* pin, const OutputConfig& config) {
  std::vector<PidMapping> mappings;
  HRESULT hr = ToHResult(engine_.EnumPids(pin->EngineOutput(), mappings));
  if (FAILED(hr)) return hr;
  OutputId id = 0;
  hr = ToHResult(engine_.CreateOutput(config, pin, &id));
  if (FAILED(hr)) return hr;
  engine_.DeleteOutput(pin->EngineOutput());
  pin->SetEngineOutput(id);
  for (const PidMapping& m : mappings) {
    const std::uint32_t pid = m.pid;
    engine_.MapPids(id, std::span<const std::uint32_t>(&pid, 1), m.content);
  }
  return S_OK;
}

HRESULT CDemuxFilter::SetOutputPinMediaType(LPWSTR pinName, AM_MEDIA_TYPE* mediaType) {
  if (pinName == nullptr || mediaType == nullptr) return E_POINTER;
  CAutoLock lock(&filterLock_);
  CDemuxOutputPin* pin = FindOutput(pinName);
  if (pin == nullptr) return VFW_E_NOT_FOUND;
  const CMediaType type(*mediaType);
  ComPtr<IPin> peer(pin->GetConnected());
  if (peer) {
    if (!IsStopped()) return VFW_E_NOT_STOPPED;
    if (peer->QueryAccept(&type) != S_OK) return VFW_E_TYPE_NOT_ACCEPTED;
  }
  const OutputConfig config = CDemuxOutputPin::ConfigFor(type);
  {
    CAutoLock receive(&receiveLock_);
    if (config.maxSampleBytes != pin->Config().maxSampleBytes) {
      const HRESULT hr = RecreateEngineOutput(pin, config);
      if (FAILED(hr)) return hr;
    }
    pin->SetType(type);
  }
  if (!peer) return S_OK;
  // Reconnect with the new type so that the allocator fits the new size too.
  pin->Disconnect();
  peer->Disconnect();
  return pin->Connect(peer.Get(), &type);
}

HRESULT CDemuxFilter::DeleteOutputPin(LPWSTR pinName) {
  if (pinName == nullptr) return E_POINTER;
  CAutoLock lock(&filterLock_);
  CDemuxOutputPin* pin = FindOutput(pinName);
  if (pin == nullptr) return VFW_E_NOT_FOUND;
  ComPtr<IPin> peer(pin->GetConnected());
  if (peer) {
    if (!IsStopped()) return VFW_E_NOT_STOPPED;
    peer->Disconnect();
    pin->Disconnect();
  }
  {
    CAutoLock receive(&receiveLock_);
    engine_.DeleteOutput(pin->EngineOutput());
    pin->MarkDeleted();
  }
  {
    std::lock_guard pins(pinsMutex_);
    for (auto it = outputs_.begin(); it != outputs_.end(); ++it) {
      if (it->get() == pin) {
        deleted_.push_back(std::move(*it));
        outputs_.erase(it);
        break;
      }
    }
  }
  IncrementPinVersion();
  return S_OK;
}

// ---- PID maps ----------------------------------------------------------------

HRESULT CDemuxFilter::MapPids(CDemuxOutputPin* pin, std::span<const std::uint32_t> pids,
                              MediaSampleContent content) {
  CAutoLock receive(&receiveLock_);
  if (pin->Deleted()) return E_UNEXPECTED;
  return ToHResult(engine_.MapPids(pin->EngineOutput(), pids, content));
}

HRESULT CDemuxFilter::UnmapPids(CDemuxOutputPin* pin, std::span<const std::uint32_t> pids) {
  CAutoLock receive(&receiveLock_);
  if (pin->Deleted()) return E_UNEXPECTED;
  return ToHResult(engine_.UnmapPids(pin->EngineOutput(), pids));
}

HRESULT CDemuxFilter::EnumPids(CDemuxOutputPin* pin, std::vector<PidMapping>& mappings) {
  CAutoLock receive(&receiveLock_);
  if (pin->Deleted()) return E_UNEXPECTED;
  return ToHResult(engine_.EnumPids(pin->EngineOutput(), mappings));
}

// ---- streaming ---------------------------------------------------------------

void CDemuxFilter::Ingest(std::span<const std::uint8_t> bytes, bool discontinuity,
                          std::uint32_t tuneMark) {
  const std::optional<std::int64_t> arrival = ArrivalTime();
  CAutoLock receive(&receiveLock_);
  arrival_ = arrival;
  tuneMark_ = tuneMark;
  const bool timed = arrivalTiming_ && arrival;
  if (discontinuity && timed) {
    engine_.Resync();
  } else if (discontinuity) {
    engine_.Flush();
  }
  if (timed) {
    engine_.Ingest(bytes, *arrival);
  } else {
    engine_.Ingest(bytes);
  }
}

std::optional<std::int64_t> CDemuxFilter::ArrivalTime() {
  if (State() != State_Running) return std::nullopt;
  std::lock_guard lock(clockMutex_);
  REFERENCE_TIME now = 0;
  if (!arrivalClock_ || FAILED(arrivalClock_->GetTime(&now))) return std::nullopt;
  return now - StartTime();
}

void CDemuxFilter::EndOfInput() {
  {
    CAutoLock receive(&receiveLock_);
    engine_.EndOfStream();
  }
  for (CDemuxOutputPin* pin : Outputs())
    pin->PassEndOfStream();
}

void CDemuxFilter::BeginFlushOutputs() {
  for (CDemuxOutputPin* pin : Outputs())
    pin->PassBeginFlush();
  // Receivers are flushing now, so a Receive waiting for a buffer gets one
  // back (or none, and drops); then the engine lets go of partial units.
  CAutoLock receive(&receiveLock_);
  engine_.Flush();
}

void CDemuxFilter::EndFlushOutputs() {
  for (CDemuxOutputPin* pin : Outputs())
    pin->PassEndFlush();
}

void CDemuxFilter::NewSegmentOutputs(REFERENCE_TIME start, REFERENCE_TIME stop, double rate) {
  for (CDemuxOutputPin* pin : Outputs())
    pin->PassNewSegment(start, stop, rate);
}

InputStatistics CDemuxFilter::Input() {
  CAutoLock receive(&receiveLock_);
  return engine_.Input();
}

PidStatistics CDemuxFilter::Statistics(std::uint16_t pid) {
  CAutoLock receive(&receiveLock_);
  return engine_.Statistics(pid);
}

// ---- IDemuxControl -------------------------------------------------------------

HRESULT CDemuxFilter::NotifyTune() {
  CAutoLock receive(&receiveLock_);
  engine_.Reset();
  return S_OK;
}

HRESULT CDemuxFilter::SetPcrPid(ULONG pid) {
  CAutoLock receive(&receiveLock_);
  return ToHResult(engine_.SetPcrPid(pid));
}

HRESULT CDemuxFilter::SetArrivalTiming(BOOL on) {
  CAutoLock receive(&receiveLock_);
  arrivalTiming_ = on != FALSE;
  return S_OK;
}

HRESULT CDemuxFilter::GetClockState(DemuxClockState* state) {
  if (state == nullptr) return E_POINTER;
  std::lock_guard lock(clockMutex_);
  *state = clockState_;
  return S_OK;
}

void CDemuxFilter::OnPcr(const PcrEvent& event) {
  // On the streaming thread, inside Ingest (receive lock held): the arrival is
  // the one Ingest took for these bytes.
  const double rate = engine_.Clock().bitsPerSecond;
  std::lock_guard lock(clockMutex_);
  clockState_.valid = true;
  clockState_.pcrPid = event.pid;
  clockState_.pcr = event.pcr;
  clockState_.pcrStreamTime = event.streamTime;
  clockState_.arrivalValid = arrival_.has_value();
  clockState_.arrivalStreamTime = arrival_.value_or(0);
  ++clockState_.pcrCount;
  if (event.discontinuity) ++clockState_.epochs;
  clockState_.bitsPerSecond = rate;
}

HRESULT CDemuxFilter::SetSyncSource(IReferenceClock* clock) {
  const HRESULT hr = CBaseFilter::SetSyncSource(clock);
  std::lock_guard lock(clockMutex_);
  arrivalClock_ = clock;
  return hr;
}

}  // namespace demux
