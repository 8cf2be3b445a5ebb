#include "filters/provider/NetworkProvider.h"

#include <algorithm>
#include <cstring>

#include "filters/source/FormatBlocks.h"
#include "platform/bda/model/BdaDevice.h"
#include "platform/com/TaskMemory.h"
#include "platform/media/MediaGuids.h"
#include "tuning/BandPlan.h"

namespace filters {

using tuning::DemodulatorFamily;

namespace {

bool ValidPid(LONG pid) {
  return pid >= 0 && static_cast<ULONG>(pid) <= kMaxTransportPid;
}

// The modulation flags a tune is given: the locator's byte, or a full mask.
tuning::ModulationMask MaskOf(LONG type, LONG modulation) {
  if (modulation >= 0 && modulation <= 0xFF)
    return tuning::ModulationFromLocator(static_cast<tuning::ChannelMap>(type),
                                         static_cast<std::uint8_t>(modulation));
  return static_cast<tuning::ModulationMask>(modulation);
}

// The PIDs mapped on a PID map, at most `limit`.
std::vector<ULONG> MappedPids(IMPEG2PIDMap* map, ULONG limit) {
  std::vector<ULONG> pids;
  ComPtr<IEnumPIDMap> maps;
  if (map == nullptr || FAILED(map->EnumPIDMap(&maps)) || !maps) return pids;
  PID_MAP entry;
  ULONG fetched = 0;
  while (pids.size() < limit && maps->Next(1, &entry, &fetched) == S_OK && fetched == 1)
    pids.push_back(entry.ulPID);
  return pids;
}

CMediaType WithFormat(CMediaType mt, const GUID& formatType, const std::uint8_t* block,
                      std::size_t size) {
  mt.formattype = formatType;
  mt.pbFormat = static_cast<BYTE*>(CoTaskMemAlloc(size));
  if (mt.pbFormat != nullptr) {
    std::memcpy(mt.pbFormat, block, size);
    mt.cbFormat = static_cast<ULONG>(size);
  }
  return mt;
}

}  // namespace

CMediaType AntennaMediaType() {
  CMediaType mt(KSDATAFORMAT_TYPE_BDA_ANTENNA, GUID_NULL);
  mt.formattype = GUID_NULL;
  mt.bFixedSizeSamples = FALSE;
  mt.lSampleSize = 0;
  return mt;
}

CMediaType SectionPinMediaType() {
  CMediaType mt(MEDIATYPE_MPEG2_SECTIONS, MEDIASUBTYPE_None);
  mt.bFixedSizeSamples = FALSE;
  mt.lSampleSize = 0;
  return mt;
}

CMediaType VideoPinMediaType() {
  CMediaType mt(MEDIATYPE_Video, MEDIASUBTYPE_MPEG2_VIDEO);
  mt.bFixedSizeSamples = TRUE;
  mt.lSampleSize = 65536;
  const auto& block = filters::VideoFormatBlock();
  return WithFormat(std::move(mt), FORMAT_MPEG2Video, block.data(), block.size());
}

CMediaType AudioPinMediaType() {
  CMediaType mt(MEDIATYPE_Audio, MEDIASUBTYPE_DOLBY_AC3);
  mt.bFixedSizeSamples = FALSE;
  mt.lSampleSize = 0;
  const auto& block = filters::AudioFormatBlock();
  return WithFormat(std::move(mt), FORMAT_WaveFormatEx, block.data(), block.size());
}

// ---- the pin --------------------------------------------------------------------

CNetworkProviderPin::CNetworkProviderPin(CNetworkProvider* filter, CCritSec* lock, HRESULT* hr)
    : CBasePin("Antenna Out", filter, lock, hr, u"Antenna Out", PINDIR_OUTPUT) {}

HRESULT CNetworkProviderPin::CheckMediaType(const CMediaType* mt) {
  return mt->majortype == KSDATAFORMAT_TYPE_BDA_ANTENNA ? S_OK : VFW_E_TYPE_NOT_ACCEPTED;
}

HRESULT CNetworkProviderPin::GetMediaType(int position, CMediaType* mt) {
  if (position < 0) return E_INVALIDARG;
  if (position > 1) return VFW_S_NO_MORE_ITEMS;
  *mt = AntennaMediaType();
  return S_OK;
}

// ---- the filter -----------------------------------------------------------------

CNetworkProvider::CNetworkProvider(HRESULT* hr)
    : CBaseFilter("Tallowmark Network Provider", &lock_, CLSID_NetworkProvider) {
  HRESULT result = S_OK;
  pin_ = std::make_unique<CNetworkProviderPin>(this, &lock_, &result);
  if (hr) *hr = result;
}

CNetworkProvider::~CNetworkProvider() = default;

CUnknown* CNetworkProvider::CreateInstance(IUnknown* outer, HRESULT* hr) {
  if (outer != nullptr) {
    if (hr) *hr = CLASS_E_NOAGGREGATION;
    return nullptr;
  }
  return new CNetworkProvider(hr);
}

HRESULT CNetworkProvider::NonDelegatingQueryInterface(REFIID iid, void** object) {
  if (iid == IID_IBDA_NetworkProvider)
    return GetInterface(static_cast<IBDA_NetworkProvider*>(this), object);
  if (iid == IID_INetworkProvider)
    return GetInterface(static_cast<INetworkProvider*>(this), object);
  if (iid == IID_ISpecifyPropertyPages)
    return GetInterface(static_cast<ISpecifyPropertyPages*>(this), object);
  return CBaseFilter::NonDelegatingQueryInterface(iid, object);
}

CBasePin* CNetworkProvider::GetPin(int n) {
  return n == 0 ? pin_.get() : nullptr;
}

HRESULT CNetworkProvider::Run(REFERENCE_TIME start) {
  CAutoLock lock(&lock_);
  const HRESULT hr = CBaseFilter::Run(start);
  if (FAILED(hr)) return hr;
  if (pending_) {
    const TuneArgs args = *pending_;
    pending_.reset();
    TuneDevice(args);  // a failed tune does not stop the graph; the signal shows it
  }
  return hr;
}

HRESULT CNetworkProvider::GetState(DWORD milliseconds, FILTER_STATE* state) {
  const HRESULT hr = CBaseFilter::GetState(milliseconds, state);
  if (SUCCEEDED(hr) && *state == State_Paused) return VFW_S_CANT_CUE;
  return hr;
}

// ---- IBDA_NetworkProvider -------------------------------------------------------

// The signal source, network type and tuning space have no part in tuning here:
// the calls succeed without effect.
HRESULT CNetworkProvider::PutSignalSource(ULONG) {
  return S_OK;
}

HRESULT CNetworkProvider::GetSignalSource(ULONG* signalSource) {
  if (signalSource == nullptr) return E_POINTER;
  *signalSource = 0;
  return S_OK;
}

HRESULT CNetworkProvider::GetNetworkType(GUID* networkType) {
  if (networkType == nullptr) return E_POINTER;
  *networkType = BDA_NETWORK_TYPE_NONE;
  return S_OK;
}

HRESULT CNetworkProvider::PutTuningSpace(REFGUID) {
  return S_OK;
}

HRESULT CNetworkProvider::GetTuningSpace(GUID* tuningSpace) {
  if (tuningSpace == nullptr) return E_POINTER;
  *tuningSpace = GUID_NULL;
  return S_OK;
}

HRESULT CNetworkProvider::RegisterDeviceFilter(IUnknown* filter, ULONG* context) {
  if (filter == nullptr || context == nullptr) return E_POINTER;
  CAutoLock lock(&lock_);
  ComPtr<IMpeg2Demultiplexer> demux;
  if (SUCCEEDED(filter->QueryInterface(IID_PPV_ARGS(&demux)))) {
    const HRESULT hr = RegisterDemultiplexer(demux.Get());
    if (FAILED(hr)) return hr;
    *context = kRegisteredDemultiplexer;
    return S_OK;
  }
  ComPtr<IBDA_Topology> topology;
  if (SUCCEEDED(filter->QueryInterface(IID_PPV_ARGS(&topology)))) {
    const HRESULT hr = RegisterTuner(filter);
    if (FAILED(hr)) return hr;
    *context = kRegisteredTuner;
    return S_OK;
  }
  *context = kRegisteredNothing;
  return S_OK;
}

HRESULT CNetworkProvider::UnRegisterDeviceFilter(ULONG context) {
  CAutoLock lock(&lock_);
  if (context == kRegisteredTuner) {
    tuner_.reset();
  } else if (context == kRegisteredDemultiplexer) {
    sectionMap_ = nullptr;
    videoMap_ = nullptr;
    audioMap_ = nullptr;
  } else if (context != kRegisteredNothing) {
    return E_INVALIDARG;
  }
  return S_OK;
}

HRESULT CNetworkProvider::RegisterTuner(IUnknown* filter) {
  Tuner tuner;
  tuner.filter = filter;
  HRESULT hr = filter->QueryInterface(IID_PPV_ARGS(&tuner.control));
  if (FAILED(hr)) return hr;
  filter->QueryInterface(IID_PPV_ARGS(&tuner.tunes));
  ComPtr<IBDA_Topology> topology;
  filter->QueryInterface(IID_PPV_ARGS(&topology));
  ULONG count = 0;
  hr = topology->GetNodeDescriptors(&count, 0, nullptr);
  if (FAILED(hr)) return hr;
  std::vector<BDANODE_DESCRIPTOR> nodes(count);
  hr = topology->GetNodeDescriptors(&count, count, nodes.data());
  if (FAILED(hr)) return hr;
  nodes.resize(std::min<std::size_t>(nodes.size(), count));
  for (const BDANODE_DESCRIPTOR& d : nodes) {
    ComPtr<IUnknown> node;
    if (FAILED(topology->GetControlNode(0, 1, d.ulBdaNodeType, &node)) || !node) continue;
    if (d.guidFunction == KSNODE_BDA_RF_TUNER) {
      tuner.frequency = node.As<IBDA_FrequencyFilter>();
      tuner.lnb = node.As<IBDA_LNBInfo>();
    } else if (d.guidFunction == KSNODE_BDA_8VSB_DEMODULATOR) {
      tuner.vsb = node;
    } else if (d.guidFunction == KSNODE_BDA_QAM_DEMODULATOR) {
      tuner.qam = node;
    } else if (d.guidFunction == KSNODE_BDA_COFDM_DEMODULATOR) {
      tuner.cofdm = node;
    } else if (d.guidFunction == KSNODE_BDA_PID_FILTER) {
      tuner.pidMode = node.As<IBDA_PidFilter>();
      tuner.pidMap = node.As<IMPEG2PIDMap>();
    }
  }
  tuner_ = std::move(tuner);
  return S_OK;
}

HRESULT CNetworkProvider::RegisterDemultiplexer(IMpeg2Demultiplexer* demux) {
  struct PinLayout {
    const char16_t* name;
    CMediaType type;
    ComPtr<IMPEG2PIDMap>* map;
  };
  PinLayout pins[] = {{kSectionPinName, SectionPinMediaType(), &sectionMap_},
                      {kVideoPinName, VideoPinMediaType(), &videoMap_},
                      {kAudioPinName, AudioPinMediaType(), &audioMap_}};
  for (PinLayout& layout : pins) {
    std::u16string name(layout.name);
    ComPtr<IPin> pin;
    HRESULT hr = demux->CreateOutputPin(&layout.type, name.data(), &pin);
    if (FAILED(hr)) return hr;
    hr = pin->QueryInterface(IID_PPV_ARGS(&*layout.map));
    if (FAILED(hr)) return hr;
  }
  return S_OK;
}

// ---- INetworkProvider -----------------------------------------------------------

HRESULT CNetworkProvider::GetSettings(LONG* setting1, LONG* setting2, LONG* setting3) {
  if (setting1 == nullptr || setting2 == nullptr || setting3 == nullptr) return E_POINTER;
  CAutoLock lock(&lock_);
  *setting1 = settings_[0];
  *setting2 = settings_[1];
  *setting3 = settings_[2];
  return S_OK;
}

HRESULT CNetworkProvider::PutSettings(LONG setting1, LONG setting2, LONG setting3) {
  CAutoLock lock(&lock_);
  settings_[0] = setting1;
  settings_[1] = setting2;
  settings_[2] = setting3;
  return S_OK;
}

HRESULT CNetworkProvider::AddToPidFilter(std::vector<ULONG> pids, bool passAll) {
  if (!tuner_ || !tuner_->pidMode) return S_FALSE;
  if (passAll) return tuner_->pidMode->put_Mode(kPidFilterPassAll);
  HRESULT hr = tuner_->pidMode->put_Mode(kPidFilterMappedOnly);
  if (FAILED(hr) || pids.empty() || !tuner_->pidMap) return hr;
  return tuner_->pidMap->MapPID(static_cast<ULONG>(pids.size()), pids.data(),
                                MEDIA_TRANSPORT_PACKET);
}

HRESULT CNetworkProvider::MapStreamPids(LONG, LONG, LONG videoPid, LONG audioPid, LONG pcrPid,
                                        BOOL flag) {
  for (LONG pid : {videoPid, audioPid, pcrPid})
    if (pid != kNoPid && !ValidPid(pid)) return E_INVALIDARG;
  CAutoLock lock(&lock_);
  HRESULT result = S_OK;
  auto keep = [&result](HRESULT hr) {
    if (FAILED(hr) && SUCCEEDED(result)) result = hr;
  };
  // Every old PID leaves first, so a new PID equal to an old one of another
  // kind (the PCR on the video PID) is not removed after it was added.
  std::vector<ULONG> old;
  for (LONG pid : {videoPid_, audioPid_, pcrPid_})
    if (pid != kNoPid) old.push_back(static_cast<ULONG>(pid));
  if (!old.empty() && tuner_ && tuner_->pidMap)
    keep(tuner_->pidMap->UnmapPID(static_cast<ULONG>(old.size()), old.data()));
  if (videoPid_ != kNoPid && videoMap_) {
    ULONG pid = static_cast<ULONG>(videoPid_);
    keep(videoMap_->UnmapPID(1, &pid));
  }
  if (audioPid_ != kNoPid && audioMap_) {
    ULONG pid = static_cast<ULONG>(audioPid_);
    keep(audioMap_->UnmapPID(1, &pid));
  }

  videoPid_ = videoPid;
  audioPid_ = audioPid;
  pcrPid_ = pcrPid;

  std::vector<ULONG> added;
  for (LONG pid : {videoPid_, audioPid_, pcrPid_})
    if (pid != kNoPid) added.push_back(static_cast<ULONG>(pid));
  if (!added.empty()) keep(AddToPidFilter(added, flag != FALSE));
  if (videoPid_ != kNoPid && videoMap_) {
    ULONG pid = static_cast<ULONG>(videoPid_);
    keep(videoMap_->MapPID(1, &pid, MEDIA_ELEMENTARY_STREAM));
  }
  if (audioPid_ != kNoPid && audioMap_) {
    ULONG pid = static_cast<ULONG>(audioPid_);
    keep(audioMap_->MapPID(1, &pid, MEDIA_ELEMENTARY_STREAM));
  }
  return result;
}

HRESULT CNetworkProvider::SetPsiPids(const LONG* pids, LONG count, BOOL flag) {
  if (count < 0 || (count > 0 && pids == nullptr)) return E_INVALIDARG;
  std::vector<ULONG> list;
  for (LONG i = 0; i < count; ++i) {
    if (!ValidPid(pids[i])) return E_INVALIDARG;
    list.push_back(static_cast<ULONG>(pids[i]));
  }
  CAutoLock lock(&lock_);
  HRESULT result = S_OK;
  if (sectionMap_ && !list.empty())
    result = sectionMap_->MapPID(static_cast<ULONG>(list.size()), list.data(), MEDIA_MPEG2_PSI);
  const HRESULT hr = AddToPidFilter(list, flag != FALSE);
  return FAILED(result) ? result : FAILED(hr) ? hr : S_OK;
}

HRESULT CNetworkProvider::ClearPids() {
  CAutoLock lock(&lock_);
  HRESULT result = S_OK;
  if (sectionMap_) {
    std::vector<ULONG> pids = MappedPids(sectionMap_.Get(), kMaxClearedPids);
    if (!pids.empty()) result = sectionMap_->UnmapPID(static_cast<ULONG>(pids.size()), pids.data());
  }
  if (tuner_ && tuner_->pidMap) {
    std::vector<ULONG> pids = MappedPids(tuner_->pidMap.Get(), kMaxTransportPid + 1);
    if (!pids.empty()) {
      const HRESULT hr = tuner_->pidMap->UnmapPID(static_cast<ULONG>(pids.size()), pids.data());
      if (SUCCEEDED(result)) result = hr;
    }
  }
  return result;
}

HRESULT CNetworkProvider::Tune(LONG channel, LONG tuningSpaceType, LONG modulation) {
  // Every index outside its band's table is refused before anything changes.
  if (tuningSpaceType < 0 || tuningSpaceType > static_cast<LONG>(tuning::kAntennaTw))
    return E_INVALIDARG;
  if (!tuning::ResolveFrequency(static_cast<tuning::ChannelMap>(tuningSpaceType), channel))
    return E_INVALIDARG;
  CAutoLock lock(&lock_);
  const TuneArgs args{channel, tuningSpaceType, modulation};
  if (IsStopped()) {
    pending_ = args;
    return S_OK;
  }
  pending_.reset();
  return TuneDevice(args);
}

void CNetworkProvider::SetCurrentTuning(LONG type, LONG channel, LONG modulation, ULONG tuneCount) {
  std::lock_guard lock(tuningMutex_);
  currentType_ = type;
  currentChannel_ = channel;
  currentModulation_ = modulation;
  currentTuneCount_ = tuneCount;
}

HRESULT CNetworkProvider::SetDemodulator(tuning::ModulationMask mask) {
  IUnknown* node = nullptr;
  switch (tuning::FamilyOf(mask)) {
    case DemodulatorFamily::kVsb:
      node = tuner_->vsb.Get();
      break;
    case DemodulatorFamily::kQam:
      node = tuner_->qam.Get();
      break;
    case DemodulatorFamily::kCofdm:
      node = tuner_->cofdm.Get();
      break;
    case DemodulatorFamily::kNone:
      return S_FALSE;
  }
  if (node == nullptr) return E_NOINTERFACE;
  HRESULT hr = tuner_->control->StartChanges();
  if (FAILED(hr)) return hr;
  if (auto type = tuning::ModulationType(mask)) {
    ComPtr<IBDA_DigitalDemodulator> demod;
    hr = node->QueryInterface(IID_PPV_ARGS(&demod));
    if (FAILED(hr)) return hr;
    ModulationType modulation = bda::ModulationTypeOf(*type);
    FECMethod fec = BDA_FEC_METHOD_NOT_SET;
    BinaryConvolutionCodeRate rate = BDA_BCC_RATE_NOT_SET;
    ULONG symbolRate = BDA_ULONG_NOT_SET;
    SpectralInversion inversion = BDA_SPECTRAL_INVERSION_NOT_SET;
    hr = demod->put_ModulationType(&modulation);
    if (FAILED(hr)) return hr;
    demod->put_InnerFECMethod(&fec);
    demod->put_InnerFECRate(&rate);
    demod->put_OuterFECMethod(&fec);
    demod->put_OuterFECRate(&rate);
    demod->put_SymbolRate(&symbolRate);
    demod->put_SpectralInversion(&inversion);
  } else {
    ComPtr<IBDA_AutoDemodulate> automatic;
    hr = node->QueryInterface(IID_PPV_ARGS(&automatic));
    if (FAILED(hr)) return hr;
    hr = automatic->put_AutoDemodulate();
    if (FAILED(hr)) return hr;
  }
  return tuner_->control->CommitChanges();
}

HRESULT CNetworkProvider::TuneDevice(const TuneArgs& args) {
  const auto map = static_cast<tuning::ChannelMap>(args.type);
  const auto frequency = tuning::ResolveFrequency(map, args.channel);
  if (!frequency) return E_INVALIDARG;
  if (!tuner_ || !tuner_->control || !tuner_->frequency) return E_FAIL;

  // Channel 0 while the tune talks to the device: sections of the old channel
  // arriving meanwhile are not taken for the new one.
  SetCurrentTuning(args.type, 0, args.modulation);

  HRESULT hr = SetDemodulator(MaskOf(args.type, args.modulation));
  if (FAILED(hr)) return hr;

  hr = tuner_->control->StartChanges();
  if (FAILED(hr)) return hr;
  if (tuner_->lnb) {
    tuner_->lnb->put_LocalOscilatorFrequencyLowBand(BDA_ULONG_NOT_SET);
    tuner_->lnb->put_LocalOscilatorFrequencyHighBand(BDA_ULONG_NOT_SET);
    tuner_->lnb->put_HighLowSwitchFrequency(BDA_ULONG_NOT_SET);
  }
  hr = tuner_->frequency->put_FrequencyMultiplier(frequency->multiplier);
  if (SUCCEEDED(hr)) hr = tuner_->frequency->put_Frequency(frequency->frequency);
  if (SUCCEEDED(hr))
    hr = tuner_->frequency->put_Bandwidth(static_cast<ULONG>(frequency->bandwidth));
  if (FAILED(hr)) return hr;
  hr = tuner_->control->CommitChanges();
  if (FAILED(hr)) return hr;

  // The tune's count tells the new multiplex's data from samples of the old
  // one still on their way through the graph.
  ULONG tunes = 0;
  if (tuner_->tunes && FAILED(tuner_->tunes->GetTuneCount(&tunes))) tunes = 0;
  SetCurrentTuning(args.type, args.channel, args.modulation, tunes);
  return S_OK;
}

HRESULT CNetworkProvider::GetCurrentTuning(LONG* tuningSpaceType, LONG* channel, LONG* modulation) {
  if (tuningSpaceType == nullptr || channel == nullptr || modulation == nullptr) return E_POINTER;
  std::lock_guard lock(tuningMutex_);
  *tuningSpaceType = currentType_;
  *channel = currentChannel_;
  *modulation = currentModulation_;
  return S_OK;
}

HRESULT CNetworkProvider::GetCurrentTuningMark(LONG* tuningSpaceType, LONG* channel,
                                               LONG* modulation, ULONG* tuneCount) {
  if (tuningSpaceType == nullptr || channel == nullptr || modulation == nullptr ||
      tuneCount == nullptr)
    return E_POINTER;
  std::lock_guard lock(tuningMutex_);
  *tuningSpaceType = currentType_;
  *channel = currentChannel_;
  *modulation = currentModulation_;
  *tuneCount = currentTuneCount_;
  return S_OK;
}

HRESULT CNetworkProvider::GetSupportedModulations(LONG* modulations) {
  if (modulations == nullptr) return E_POINTER;
  *modulations = 0;
  CAutoLock lock(&lock_);
  if (!tuner_) return E_FAIL;
  ComPtr<IBDA_Topology> topology;
  HRESULT hr = tuner_->filter->QueryInterface(IID_PPV_ARGS(&topology));
  if (FAILED(hr)) return hr;
  ULONG count = 0;
  hr = topology->GetNodeDescriptors(&count, 0, nullptr);
  if (FAILED(hr)) return hr;
  std::vector<BDANODE_DESCRIPTOR> nodes(count);
  topology->GetNodeDescriptors(&count, count, nodes.data());
  nodes.resize(std::min<std::size_t>(nodes.size(), count));
  tuning::ModulationMask mask = 0;
  for (const BDANODE_DESCRIPTOR& d : nodes) {
    tuning::ModulationMask flags = 0;
    if (d.guidFunction == KSNODE_BDA_8VSB_DEMODULATOR) flags = tuning::kVsbModes;
    if (d.guidFunction == KSNODE_BDA_QAM_DEMODULATOR) flags = tuning::kQamModes;
    if (d.guidFunction == KSNODE_BDA_COFDM_DEMODULATOR) flags = tuning::kCofdmModes;
    if (flags == 0) continue;
    ComPtr<IUnknown> node;
    if (FAILED(topology->GetControlNode(0, 1, d.ulBdaNodeType, &node)) || !node) continue;
    // The node must answer the demodulator controls the tune uses.
    if (node.As<IBDA_DigitalDemodulator>() || node.As<IBDA_AutoDemodulate>()) mask |= flags;
  }
  *modulations = static_cast<LONG>(mask);
  return S_OK;
}

HRESULT CNetworkProvider::GetPages(CAUUID* pages) {
  if (pages == nullptr) return E_POINTER;
  pages->pElems = static_cast<GUID*>(CoTaskMemAlloc(sizeof(GUID)));
  if (pages->pElems == nullptr) {
    pages->cElems = 0;
    return E_OUTOFMEMORY;
  }
  pages->cElems = 1;
  pages->pElems[0] = CLSID_NetworkProviderPropertyPage;
  return S_OK;
}

}  // namespace filters
