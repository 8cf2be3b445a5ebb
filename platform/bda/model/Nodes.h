// The control nodes of a tuner filter, as IBDA_Topology::GetControlNode hands
// them out: the RF tuner (frequency filter, LNB values, signal statistics), one
// demodulator per family (8-VSB, QAM, COFDM) and the PID filter. Each node is
// an object of its own that keeps the device's shared state alive.
#pragma once

#include <memory>

#include "platform/bda/model/DeviceState.h"

namespace bda {

class CRfTunerNode : public CUnknown,
                     public IBDA_FrequencyFilter,
                     public IBDA_LNBInfo,
                     public IBDA_SignalStatistics {
 public:
  explicit CRfTunerNode(std::shared_ptr<DeviceState> state);
  HRESULT NonDelegatingQueryInterface(REFIID iid, void** object) override;

  HRESULT put_Autotune(ULONG transponder) override;
  HRESULT get_Autotune(ULONG* transponder) override;
  HRESULT put_Frequency(ULONG frequency) override;
  HRESULT get_Frequency(ULONG* frequency) override;
  HRESULT put_Polarity(LONG polarity) override;
  HRESULT get_Polarity(LONG* polarity) override;
  HRESULT put_Range(ULONG range) override;
  HRESULT get_Range(ULONG* range) override;
  HRESULT put_Bandwidth(ULONG bandwidth) override;
  HRESULT get_Bandwidth(ULONG* bandwidth) override;
  HRESULT put_FrequencyMultiplier(ULONG multiplier) override;
  HRESULT get_FrequencyMultiplier(ULONG* multiplier) override;

  HRESULT put_LocalOscilatorFrequencyLowBand(ULONG frequency) override;
  HRESULT get_LocalOscilatorFrequencyLowBand(ULONG* frequency) override;
  HRESULT put_LocalOscilatorFrequencyHighBand(ULONG frequency) override;
  HRESULT get_LocalOscilatorFrequencyHighBand(ULONG* frequency) override;
  HRESULT put_HighLowSwitchFrequency(ULONG frequency) override;
  HRESULT get_HighLowSwitchFrequency(ULONG* frequency) override;

  // The statistics are the device's: the puts are refused (E_NOTIMPL) except
  // the sample time, which is only kept.
  HRESULT put_SignalStrength(LONG strength) override;
  HRESULT get_SignalStrength(LONG* strength) override;
  HRESULT put_SignalQuality(LONG quality) override;
  HRESULT get_SignalQuality(LONG* quality) override;
  HRESULT put_SignalPresent(BOOLEAN present) override;
  HRESULT get_SignalPresent(BOOLEAN* present) override;
  HRESULT put_SignalLocked(BOOLEAN locked) override;
  HRESULT get_SignalLocked(BOOLEAN* locked) override;
  HRESULT put_SampleTime(LONG ms) override;
  HRESULT get_SampleTime(LONG* ms) override;

 private:
  template <class T>
  HRESULT GetRf(T* out, T RfSettings::*field);

  std::shared_ptr<DeviceState> state_;
  std::atomic<LONG> sampleTime_{1000};
};

class CDemodulatorNode : public CUnknown,
                         public IBDA_DigitalDemodulator,
                         public IBDA_AutoDemodulate {
 public:
  CDemodulatorNode(std::shared_ptr<DeviceState> state, common::DemodulatorFamily family);
  HRESULT NonDelegatingQueryInterface(REFIID iid, void** object) override;

  // Putting the modulation type (or the automatic mode) chooses this
  // demodulator for the next tune; the other puts only set values.
  HRESULT put_ModulationType(ModulationType* type) override;
  HRESULT get_ModulationType(ModulationType* type) override;
  HRESULT put_InnerFECMethod(FECMethod* method) override;
  HRESULT get_InnerFECMethod(FECMethod* method) override;
  HRESULT put_InnerFECRate(BinaryConvolutionCodeRate* rate) override;
  HRESULT get_InnerFECRate(BinaryConvolutionCodeRate* rate) override;
  HRESULT put_OuterFECMethod(FECMethod* method) override;
  HRESULT get_OuterFECMethod(FECMethod* method) override;
  HRESULT put_OuterFECRate(BinaryConvolutionCodeRate* rate) override;
  HRESULT get_OuterFECRate(BinaryConvolutionCodeRate* rate) override;
  HRESULT put_SymbolRate(ULONG* rate) override;
  HRESULT get_SymbolRate(ULONG* rate) override;
  HRESULT put_SpectralInversion(SpectralInversion* inversion) override;
  HRESULT get_SpectralInversion(SpectralInversion* inversion) override;

  HRESULT put_AutoDemodulate() override;

  common::DemodulatorFamily Family() const { return family_; }

 private:
  template <class T>
  HRESULT Put(const T* in, T DemodulatorSettings::*field, bool chooses);
  template <class T>
  HRESULT Get(T* out, T DemodulatorSettings::*field);

  std::shared_ptr<DeviceState> state_;
  const common::DemodulatorFamily family_;
};

// The PID filter: its mode and the PIDs it passes (mapped as transport packets).
class CPidFilterNode : public CUnknown, public IBDA_PidFilter, public IMPEG2PIDMap {
 public:
  explicit CPidFilterNode(std::shared_ptr<DeviceState> state);
  HRESULT NonDelegatingQueryInterface(REFIID iid, void** object) override;

  HRESULT put_Mode(LONG mode) override;
  HRESULT get_Mode(LONG* mode) override;

  HRESULT MapPID(ULONG count, ULONG* pids, MEDIA_SAMPLE_CONTENT content) override;
  HRESULT UnmapPID(ULONG count, ULONG* pids) override;
  HRESULT EnumPIDMap(IEnumPIDMap** maps) override;

 private:
  std::shared_ptr<DeviceState> state_;
};

// An enumerator over a copy of PID maps.
HRESULT CreatePidMapEnum(std::vector<PID_MAP> maps, IEnumPIDMap** enumerator);

// The modulation type a demodulator family can be given, for checks.
bool FamilyTakes(common::DemodulatorFamily family, ModulationType type);

}  // namespace bda
