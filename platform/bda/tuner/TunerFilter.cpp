#include "platform/bda/tuner/TunerFilter.h"

#include <cstddef>
#include <mutex>
#include <span>
#include <utility>
#include <vector>

#include "common/TsConstants.h"
#include "common/TuneMark.h"
#include "platform/media/MediaGuids.h"

namespace bda {

namespace {

constexpr LONG kPacketSize = static_cast<LONG>(common::kPacketSize);
// How long the streaming thread waits for a command while nothing is received.
constexpr DWORD kIdleWaitMs = 20;

}  // namespace

// ---- input pin ------------------------------------------------------------------

class CTunerFilter::InputPin : public CBasePin {
 public:
  InputPin(CTunerFilter* filter, HRESULT* hr)
      : CBasePin("tuner input", filter, filter->pStateLock(), hr, u"Input", PINDIR_INPUT),
        tuner_(filter) {}

  HRESULT CheckMediaType(const CMediaType* mt) override {
    return mt->majortype == KSDATAFORMAT_TYPE_BDA_ANTENNA ? S_OK : VFW_E_TYPE_NOT_ACCEPTED;
  }
  HRESULT GetMediaType(int position, CMediaType* mt) override {
    if (position < 0) return E_INVALIDARG;
    if (position > 0) return VFW_S_NO_MORE_ITEMS;
    *mt = CMediaType(KSDATAFORMAT_TYPE_BDA_ANTENNA, GUID_NULL);
    mt->bFixedSizeSamples = FALSE;
    mt->lSampleSize = 0;
    return S_OK;
  }

  // A network provider upstream learns of the tuner here.
  HRESULT CompleteConnect(IPin* receivePin) override {
    HRESULT hr = CBasePin::CompleteConnect(receivePin);
    if (FAILED(hr)) return hr;
    PIN_INFO info;
    if (FAILED(receivePin->QueryPinInfo(&info)) || info.pFilter == nullptr) return S_OK;
    ComPtr<IBaseFilter> upstream;
    upstream.Attach(info.pFilter);
    ComPtr<IBDA_NetworkProvider> provider;
    if (SUCCEEDED(upstream->QueryInterface(IID_PPV_ARGS(&provider)))) {
      ULONG context = 0;
      hr = provider->RegisterDeviceFilter(static_cast<IBaseFilter*>(tuner_), &context);
      if (SUCCEEDED(hr)) {
        provider_ = provider;
        context_ = context;
      }
    }
    return S_OK;
  }
  // The registration ends after the pin's lock is let go: the provider's lock
  // is taken before the tuner's when pins connect, never the other way round.
  HRESULT BreakConnect() override {
    std::lock_guard lock(parkedMutex_);
    if (provider_) parked_.emplace_back(std::move(provider_), context_);
    return CBasePin::BreakConnect();
  }
  HRESULT Disconnect() override {
    const HRESULT hr = CBasePin::Disconnect();
    Unregister();
    return hr;
  }
  ~InputPin() override { Unregister(); }

  // The antenna carries no samples.
  HRESULT EndOfStream() override { return S_OK; }
  HRESULT BeginFlush() override { return S_OK; }
  HRESULT EndFlush() override { return S_OK; }

 private:
  void Unregister() {
    std::vector<std::pair<ComPtr<IBDA_NetworkProvider>, ULONG>> parked;
    {
      std::lock_guard lock(parkedMutex_);
      parked.swap(parked_);
    }
    for (auto& [provider, context] : parked)
      provider->UnRegisterDeviceFilter(context);
  }

  CTunerFilter* tuner_;
  ComPtr<IBDA_NetworkProvider> provider_;
  ULONG context_ = 0;
  std::mutex parkedMutex_;
  std::vector<std::pair<ComPtr<IBDA_NetworkProvider>, ULONG>> parked_;
};

// ---- output pin -----------------------------------------------------------------

class CTunerFilter::OutputPin : public CSourceStream {
 public:
  OutputPin(CTunerFilter* filter, HRESULT* hr)
      : CSourceStream("tuner output", hr, filter, u"MPEG-2 Transport"),
        owner_(filter),
        stream_(filter->stream_),
        pidFilter_(&filter->model_.State().PidFilter()) {}

  HRESULT GetMediaType(int position, CMediaType* mt) override {
    if (position < 0) return E_INVALIDARG;
    if (position > 1) return VFW_S_NO_MORE_ITEMS;
    *mt = CMediaType(MEDIATYPE_Stream, position == 0 ? KSDATAFORMAT_SUBTYPE_BDA_MPEG2_TRANSPORT
                                                     : MEDIASUBTYPE_MPEG2_TRANSPORT);
    mt->formattype = FORMAT_None;
    mt->bFixedSizeSamples = FALSE;
    mt->lSampleSize = kPacketSize;
    return S_OK;
  }
  HRESULT CheckMediaType(const CMediaType* mt) override {
    if (mt->majortype != MEDIATYPE_Stream) return VFW_E_TYPE_NOT_ACCEPTED;
    if (mt->subtype != KSDATAFORMAT_SUBTYPE_BDA_MPEG2_TRANSPORT &&
        mt->subtype != MEDIASUBTYPE_MPEG2_TRANSPORT)
      return VFW_E_TYPE_NOT_ACCEPTED;
    return S_OK;
  }
  HRESULT DecideBufferSize(IMemAllocator* allocator, ALLOCATOR_PROPERTIES* request) override {
    ALLOCATOR_PROPERTIES want = *request, got;
    want.cBuffers = std::max<LONG>(want.cBuffers, kOutputBuffers);
    want.cbBuffer = std::max<LONG>(want.cbBuffer, kPacketSize * kPacketsPerSample);
    if (want.cbAlign <= 0) want.cbAlign = 1;
    HRESULT hr = allocator->SetProperties(&want, &got);
    if (FAILED(hr)) return hr;
    return got.cbBuffer < kPacketSize ? E_FAIL : S_OK;
  }

  // One sample of whole packets; S_FALSE when nothing is received now.
  HRESULT FillBuffer(IMediaSample* sample) override {
    BYTE* data = nullptr;
    HRESULT hr = sample->GetPointer(&data);
    if (FAILED(hr)) return hr;
    const std::span<std::uint8_t> buffer(data, static_cast<std::size_t>(sample->GetSize()));
    // The tune count when the read whose packets the sample holds began: a
    // read the PID filter emptied leaves nothing of its tune in the sample.
    std::uint32_t tunesBefore = 0;
    std::size_t length = 0;
    for (;;) {
      std::size_t read = 0;
      tunesBefore = stream_->TuneCount();
      hr = stream_->Read(buffer, &read);
      if (FAILED(hr)) return hr;
      if (read == 0) return S_FALSE;
      length = pidFilter_->Filter(buffer.first(read));
      if (length > 0) break;
      DWORD command;
      if (CheckRequest(&command)) return S_FALSE;
    }
    sample->SetActualDataLength(static_cast<LONG>(length));
    sample->SetTime(nullptr, nullptr);
    sample->SetMediaTime(nullptr, nullptr);
    sample->SetSyncPoint(FALSE);
    sample->SetPreroll(FALSE);
    // A tune that raced the read marks this sample and the next, so the first
    // sample of the new multiplex is always marked.
    const std::uint32_t tunesAfter = stream_->TuneCount();
    sample->SetDiscontinuity(tunesAfter != deliveredTunes_ ? TRUE : FALSE);
    deliveredTunes_ = tunesBefore;
    // The bytes belong to the tune that was current when the read began; one
    // that raced it makes them the old tune's, whatever they hold.
    return MarkTune(sample, tunesBefore);
  }

  static HRESULT MarkTune(IMediaSample* sample, std::uint32_t tunes) {
    ComPtr<IMediaSample2> extended;
    if (FAILED(sample->QueryInterface(IID_PPV_ARGS(&extended)))) return S_OK;
    AM_SAMPLE2_PROPERTIES props;
    constexpr DWORD kFlagsOnly = offsetof(AM_SAMPLE2_PROPERTIES, dwSampleFlags);
    props.cbData = kFlagsOnly;
    props.dwTypeSpecificFlags = common::WithTuneMark(0, tunes);
    return extended->SetProperties(kFlagsOnly, reinterpret_cast<const BYTE*>(&props));
  }

 protected:
  HRESULT OnThreadStartPlay() override {
    owner_->streamFailure_ = S_OK;
    stream_->StartStreaming();
    return S_OK;
  }

  // The base loop ends the stream when FillBuffer has nothing; a tuner waits
  // for a signal instead, listening for commands.
  HRESULT DoBufferProcessingLoop() override {
    OnThreadStartPlay();
    DWORD command;
    while (!CheckRequest(&command)) {
      ComPtr<IMediaSample> sample;
      HRESULT hr = GetDeliveryBuffer(&sample, nullptr, nullptr, 0);
      if (FAILED(hr)) {
        WaitForRequest(1);  // decommitted: a stop is on its way
        continue;
      }
      hr = FillBuffer(sample.Get());
      if (hr == S_FALSE) {
        sample.Reset();
        WaitForRequest(kIdleWaitMs);
        continue;
      }
      if (FAILED(hr)) {
        sample.Reset();
        NotifyError(hr);
        return hr;
      }
      hr = Deliver(sample.Get());
      if (hr != S_OK) return S_OK;  // downstream flushing or stopped
    }
    return S_OK;
  }

 private:
  void NotifyError(HRESULT hr) {
    owner_->streamFailure_ = hr;
    DeliverEndOfStream();
    source_->NotifyEvent(EC_ERRORABORT, hr, 0);
  }

  CTunerFilter* owner_;
  std::shared_ptr<TunerStream> stream_;
  PidFilterState* pidFilter_;
  std::uint32_t deliveredTunes_ = 0;
};

// ---- filter ---------------------------------------------------------------------

CTunerFilter::CTunerFilter(const char* objectName, REFCLSID clsid,
                           std::shared_ptr<TunerDevice> device, std::shared_ptr<TunerStream> stream,
                           std::vector<common::DemodulatorFamily> demodulators, HRESULT* hr)
    : CSource(objectName, nullptr, clsid, hr),
      stream_(std::move(stream)),
      model_(std::move(device), std::move(demodulators)) {
  HRESULT result = S_OK;
  input_ = std::make_unique<InputPin>(this, &result);
  output_ = new OutputPin(this, &result);  // attaches itself to CSource
  if (hr) *hr = result;
}

CTunerFilter::~CTunerFilter() {
  delete output_;  // before the device it reads goes
  output_ = nullptr;
}

HRESULT CTunerFilter::NonDelegatingQueryInterface(REFIID iid, void** object) {
  if (iid == IID_IBDA_Topology) return GetInterface(static_cast<IBDA_Topology*>(this), object);
  if (iid == IID_IBDA_DeviceControl)
    return GetInterface(static_cast<IBDA_DeviceControl*>(this), object);
  if (iid == IID_IBDA_TuneCount) return GetInterface(static_cast<IBDA_TuneCount*>(this), object);
  return CSource::NonDelegatingQueryInterface(iid, object);
}

int CTunerFilter::GetPinCount() {
  return 1 + CSource::GetPinCount();
}

CBasePin* CTunerFilter::GetPin(int n) {
  if (n == 0) return input_.get();
  return CSource::GetPin(n - 1);
}

HRESULT CTunerFilter::GetState(DWORD milliseconds, FILTER_STATE* state) {
  const HRESULT hr = CSource::GetState(milliseconds, state);
  if (SUCCEEDED(hr) && *state == State_Paused) return VFW_S_CANT_CUE;
  return hr;
}

HRESULT CTunerFilter::GetNodeTypes(ULONG* count, ULONG max, ULONG* types) {
  return model_.GetNodeTypes(count, max, types);
}
HRESULT CTunerFilter::GetNodeDescriptors(ULONG* count, ULONG max, BDANODE_DESCRIPTOR* descriptors) {
  return model_.GetNodeDescriptors(count, max, descriptors);
}
HRESULT CTunerFilter::GetNodeInterfaces(ULONG nodeType, ULONG* count, ULONG max, GUID* interfaces) {
  return model_.GetNodeInterfaces(nodeType, count, max, interfaces);
}
HRESULT CTunerFilter::GetPinTypes(ULONG* count, ULONG max, ULONG* types) {
  return model_.GetPinTypes(count, max, types);
}
HRESULT CTunerFilter::GetControlNode(ULONG inputPinId, ULONG outputPinId, ULONG nodeType,
                                     IUnknown** node) {
  return model_.GetControlNode(inputPinId, outputPinId, nodeType, node);
}
HRESULT CTunerFilter::StartChanges() {
  return model_.StartChanges();
}
HRESULT CTunerFilter::CheckChanges() {
  return model_.CheckChanges();
}
HRESULT CTunerFilter::CommitChanges() {
  return model_.CommitChanges();
}
HRESULT CTunerFilter::GetChangeState(ULONG* state) {
  return model_.GetChangeState(state);
}
HRESULT CTunerFilter::GetTuneCount(ULONG* count) {
  if (count == nullptr) return E_POINTER;
  *count = stream_->TuneCount();
  return S_OK;
}

}  // namespace bda
