#include "platform/bda/model/Nodes.h"

#include <algorithm>

namespace bda {

using common::DemodulatorFamily;

// ---- RF tuner node --------------------------------------------------------------

CRfTunerNode::CRfTunerNode(std::shared_ptr<DeviceState> state)
    : CUnknown("RF tuner node"), state_(std::move(state)) {}

HRESULT CRfTunerNode::NonDelegatingQueryInterface(REFIID iid, void** object) {
  if (iid == IID_IBDA_FrequencyFilter)
    return GetInterface(static_cast<IBDA_FrequencyFilter*>(this), object);
  if (iid == IID_IBDA_LNBInfo) return GetInterface(static_cast<IBDA_LNBInfo*>(this), object);
  if (iid == IID_IBDA_SignalStatistics)
    return GetInterface(static_cast<IBDA_SignalStatistics*>(this), object);
  return CUnknown::NonDelegatingQueryInterface(iid, object);
}

template <class T>
HRESULT CRfTunerNode::GetRf(T* out, T RfSettings::*field) {
  if (out == nullptr) return E_POINTER;
  *out = state_->Pending().rf.*field;
  return S_OK;
}

HRESULT CRfTunerNode::put_Autotune(ULONG v) {
  return state_->ChangeRf([v](RfSettings& rf) { rf.autotune = v; });
}
HRESULT CRfTunerNode::get_Autotune(ULONG* v) {
  return GetRf(v, &RfSettings::autotune);
}
HRESULT CRfTunerNode::put_Frequency(ULONG v) {
  return state_->ChangeRf([v](RfSettings& rf) { rf.frequency = v; });
}
HRESULT CRfTunerNode::get_Frequency(ULONG* v) {
  return GetRf(v, &RfSettings::frequency);
}
HRESULT CRfTunerNode::put_Polarity(LONG v) {
  return state_->ChangeRf([v](RfSettings& rf) { rf.polarity = v; });
}
HRESULT CRfTunerNode::get_Polarity(LONG* v) {
  return GetRf(v, &RfSettings::polarity);
}
HRESULT CRfTunerNode::put_Range(ULONG v) {
  return state_->ChangeRf([v](RfSettings& rf) { rf.range = v; });
}
HRESULT CRfTunerNode::get_Range(ULONG* v) {
  return GetRf(v, &RfSettings::range);
}
HRESULT CRfTunerNode::put_Bandwidth(ULONG v) {
  return state_->ChangeRf([v](RfSettings& rf) { rf.bandwidth = v; });
}
HRESULT CRfTunerNode::get_Bandwidth(ULONG* v) {
  return GetRf(v, &RfSettings::bandwidth);
}
HRESULT CRfTunerNode::put_FrequencyMultiplier(ULONG v) {
  if (v == 0) return E_INVALIDARG;
  return state_->ChangeRf([v](RfSettings& rf) { rf.multiplier = v; });
}
HRESULT CRfTunerNode::get_FrequencyMultiplier(ULONG* v) {
  return GetRf(v, &RfSettings::multiplier);
}

HRESULT CRfTunerNode::put_LocalOscilatorFrequencyLowBand(ULONG v) {
  return state_->ChangeRf([v](RfSettings& rf) { rf.lnbLow = v; });
}
HRESULT CRfTunerNode::get_LocalOscilatorFrequencyLowBand(ULONG* v) {
  return GetRf(v, &RfSettings::lnbLow);
}
HRESULT CRfTunerNode::put_LocalOscilatorFrequencyHighBand(ULONG v) {
  return state_->ChangeRf([v](RfSettings& rf) { rf.lnbHigh = v; });
}
HRESULT CRfTunerNode::get_LocalOscilatorFrequencyHighBand(ULONG* v) {
  return GetRf(v, &RfSettings::lnbHigh);
}
HRESULT CRfTunerNode::put_HighLowSwitchFrequency(ULONG v) {
  return state_->ChangeRf([v](RfSettings& rf) { rf.lnbSwitch = v; });
}
HRESULT CRfTunerNode::get_HighLowSwitchFrequency(ULONG* v) {
  return GetRf(v, &RfSettings::lnbSwitch);
}

HRESULT CRfTunerNode::put_SignalStrength(LONG) {
  return E_NOTIMPL;
}
HRESULT CRfTunerNode::get_SignalStrength(LONG* v) {
  if (v == nullptr) return E_POINTER;
  *v = state_->Signal().strength;
  return S_OK;
}
HRESULT CRfTunerNode::put_SignalQuality(LONG) {
  return E_NOTIMPL;
}
HRESULT CRfTunerNode::get_SignalQuality(LONG* v) {
  if (v == nullptr) return E_POINTER;
  *v = state_->Signal().quality;
  return S_OK;
}
HRESULT CRfTunerNode::put_SignalPresent(BOOLEAN) {
  return E_NOTIMPL;
}
HRESULT CRfTunerNode::get_SignalPresent(BOOLEAN* v) {
  if (v == nullptr) return E_POINTER;
  *v = state_->Signal().present ? 1 : 0;
  return S_OK;
}
HRESULT CRfTunerNode::put_SignalLocked(BOOLEAN) {
  return E_NOTIMPL;
}
HRESULT CRfTunerNode::get_SignalLocked(BOOLEAN* v) {
  if (v == nullptr) return E_POINTER;
  *v = state_->Signal().locked ? 1 : 0;
  return S_OK;
}
HRESULT CRfTunerNode::put_SampleTime(LONG ms) {
  sampleTime_.store(ms);
  return S_OK;
}
HRESULT CRfTunerNode::get_SampleTime(LONG* ms) {
  if (ms == nullptr) return E_POINTER;
  *ms = sampleTime_.load();
  return S_OK;
}

// ---- demodulator nodes ----------------------------------------------------------

bool FamilyTakes(DemodulatorFamily family, ModulationType type) {
  if (type == BDA_MOD_NOT_SET) return true;
  switch (family) {
    case DemodulatorFamily::kVsb:
      return type == BDA_MOD_8VSB || type == BDA_MOD_16VSB;
    case DemodulatorFamily::kQam:
      return type == BDA_MOD_16QAM || type == BDA_MOD_32QAM || type == BDA_MOD_64QAM ||
             type == BDA_MOD_128QAM || type == BDA_MOD_256QAM;
    case DemodulatorFamily::kCofdm:
      return type == BDA_MOD_QPSK || type == BDA_MOD_16QAM || type == BDA_MOD_64QAM;
    case DemodulatorFamily::kNone:
      break;
  }
  return false;
}

CDemodulatorNode::CDemodulatorNode(std::shared_ptr<DeviceState> state, DemodulatorFamily family)
    : CUnknown("demodulator node"), state_(std::move(state)), family_(family) {}

HRESULT CDemodulatorNode::NonDelegatingQueryInterface(REFIID iid, void** object) {
  if (iid == IID_IBDA_DigitalDemodulator)
    return GetInterface(static_cast<IBDA_DigitalDemodulator*>(this), object);
  if (iid == IID_IBDA_AutoDemodulate)
    return GetInterface(static_cast<IBDA_AutoDemodulate*>(this), object);
  return CUnknown::NonDelegatingQueryInterface(iid, object);
}

template <class T>
HRESULT CDemodulatorNode::Put(const T* in, T DemodulatorSettings::*field, bool chooses) {
  if (in == nullptr) return E_POINTER;
  const T value = *in;
  return state_->ChangeDemodulator(family_, chooses, [&](DemodulatorSettings& d) {
    d.*field = value;
    if (chooses) d.automatic = false;
  });
}

template <class T>
HRESULT CDemodulatorNode::Get(T* out, T DemodulatorSettings::*field) {
  if (out == nullptr) return E_POINTER;
  const DeviceSettings settings = state_->Pending();
  auto it = settings.demodulators.find(family_);
  *out = it == settings.demodulators.end() ? DemodulatorSettings{}.*field : it->second.*field;
  return S_OK;
}

HRESULT CDemodulatorNode::put_ModulationType(ModulationType* type) {
  if (type == nullptr) return E_POINTER;
  if (!FamilyTakes(family_, *type)) return E_INVALIDARG;
  return Put(type, &DemodulatorSettings::modulation, true);
}
HRESULT CDemodulatorNode::get_ModulationType(ModulationType* type) {
  return Get(type, &DemodulatorSettings::modulation);
}
HRESULT CDemodulatorNode::put_InnerFECMethod(FECMethod* v) {
  return Put(v, &DemodulatorSettings::innerFecMethod, false);
}
HRESULT CDemodulatorNode::get_InnerFECMethod(FECMethod* v) {
  return Get(v, &DemodulatorSettings::innerFecMethod);
}
HRESULT CDemodulatorNode::put_InnerFECRate(BinaryConvolutionCodeRate* v) {
  return Put(v, &DemodulatorSettings::innerFecRate, false);
}
HRESULT CDemodulatorNode::get_InnerFECRate(BinaryConvolutionCodeRate* v) {
  return Get(v, &DemodulatorSettings::innerFecRate);
}
HRESULT CDemodulatorNode::put_OuterFECMethod(FECMethod* v) {
  return Put(v, &DemodulatorSettings::outerFecMethod, false);
}
HRESULT CDemodulatorNode::get_OuterFECMethod(FECMethod* v) {
  return Get(v, &DemodulatorSettings::outerFecMethod);
}
HRESULT CDemodulatorNode::put_OuterFECRate(BinaryConvolutionCodeRate* v) {
  return Put(v, &DemodulatorSettings::outerFecRate, false);
}
HRESULT CDemodulatorNode::get_OuterFECRate(BinaryConvolutionCodeRate* v) {
  return Get(v, &DemodulatorSettings::outerFecRate);
}
HRESULT CDemodulatorNode::put_SymbolRate(ULONG* v) {
  return Put(v, &DemodulatorSettings::symbolRate, false);
}
HRESULT CDemodulatorNode::get_SymbolRate(ULONG* v) {
  return Get(v, &DemodulatorSettings::symbolRate);
}
HRESULT CDemodulatorNode::put_SpectralInversion(SpectralInversion* v) {
  return Put(v, &DemodulatorSettings::spectralInversion, false);
}
HRESULT CDemodulatorNode::get_SpectralInversion(SpectralInversion* v) {
  return Get(v, &DemodulatorSettings::spectralInversion);
}

HRESULT CDemodulatorNode::put_AutoDemodulate() {
  return state_->ChangeDemodulator(family_, true, [](DemodulatorSettings& d) {
    d.automatic = true;
    d.modulation = BDA_MOD_NOT_SET;
  });
}

// ---- PID filter node ------------------------------------------------------------

namespace {

class CEnumPidMap : public CUnknown, public IEnumPIDMap {
 public:
  CEnumPidMap(std::vector<PID_MAP> maps, std::size_t position)
      : CUnknown("PID map enumerator"), maps_(std::move(maps)), position_(position) {}
  HRESULT NonDelegatingQueryInterface(REFIID iid, void** object) override {
    if (iid == IID_IEnumPIDMap) return GetInterface(static_cast<IEnumPIDMap*>(this), object);
    return CUnknown::NonDelegatingQueryInterface(iid, object);
  }
  HRESULT Next(ULONG count, PID_MAP* maps, ULONG* fetched) override {
    if (maps == nullptr || (count > 1 && fetched == nullptr)) return E_POINTER;
    ULONG n = 0;
    while (n < count && position_ < maps_.size())
      maps[n++] = maps_[position_++];
    if (fetched) *fetched = n;
    return n == count ? S_OK : S_FALSE;
  }
  HRESULT Skip(ULONG count) override {
    position_ = std::min(maps_.size(), position_ + count);
    return position_ < maps_.size() ? S_OK : S_FALSE;
  }
  HRESULT Reset() override {
    position_ = 0;
    return S_OK;
  }
  HRESULT Clone(IEnumPIDMap** clone) override {
    if (clone == nullptr) return E_POINTER;
    return GetInterface(static_cast<IEnumPIDMap*>(new CEnumPidMap(maps_, position_)),
                        reinterpret_cast<void**>(clone));
  }

 private:
  std::vector<PID_MAP> maps_;
  std::size_t position_;
};

}  // namespace

HRESULT CreatePidMapEnum(std::vector<PID_MAP> maps, IEnumPIDMap** enumerator) {
  if (enumerator == nullptr) return E_POINTER;
  return GetInterface(static_cast<IEnumPIDMap*>(new CEnumPidMap(std::move(maps), 0)),
                      reinterpret_cast<void**>(enumerator));
}

CPidFilterNode::CPidFilterNode(std::shared_ptr<DeviceState> state)
    : CUnknown("PID filter node"), state_(std::move(state)) {}

HRESULT CPidFilterNode::NonDelegatingQueryInterface(REFIID iid, void** object) {
  if (iid == IID_IBDA_PidFilter) return GetInterface(static_cast<IBDA_PidFilter*>(this), object);
  if (iid == IID_IMPEG2PIDMap) return GetInterface(static_cast<IMPEG2PIDMap*>(this), object);
  return CUnknown::NonDelegatingQueryInterface(iid, object);
}

HRESULT CPidFilterNode::put_Mode(LONG mode) {
  return state_->SetPidMode(mode);
}

HRESULT CPidFilterNode::get_Mode(LONG* mode) {
  if (mode == nullptr) return E_POINTER;
  *mode = state_->PidFilter().Mode();
  return S_OK;
}

HRESULT CPidFilterNode::MapPID(ULONG count, ULONG* pids, MEDIA_SAMPLE_CONTENT content) {
  if (count > 0 && pids == nullptr) return E_POINTER;
  return state_->MapPids({pids, count}, content);
}

HRESULT CPidFilterNode::UnmapPID(ULONG count, ULONG* pids) {
  if (count > 0 && pids == nullptr) return E_POINTER;
  return state_->UnmapPids({pids, count});
}

HRESULT CPidFilterNode::EnumPIDMap(IEnumPIDMap** maps) {
  return CreatePidMapEnum(state_->PidFilter().Maps(), maps);
}

}  // namespace bda
