// Devices of the backend's tests and tuning through a tuner filter's nodes as
// the network provider does it.
#pragma once

#include <memory>

#include "common/BandPlan.h"
#include "platform/bda/linuxdvb/DvbTuners.h"
#include "tests/bda/TunerTestSupport.h"
#include "tests/linuxdvb/FakeDvb.h"

namespace linuxdvb::test {

// An ATSC card with 8-VSB and clear QAM (annex B).
inline FakeFrontend AtscCard() {
  FakeFrontend f;
  f.name = "LG Electronics LGDT3306A VSB/QAM Frontend";
  f.systems = {SYS_ATSC, SYS_DVBC_ANNEX_B};
  return f;
}

// A cable-only receiver (QAM annex B).
inline FakeFrontend CableBox() {
  FakeFrontend f;
  f.name = "Cable QAM Frontend";
  f.systems = {SYS_DVBC_ANNEX_B};
  return f;
}

// A DVB-T/T2 stick.
inline FakeFrontend DvbtStick() {
  FakeFrontend f;
  f.name = "Silicon Labs Si2168";
  f.type = FE_OFDM;
  f.systems = {SYS_DVBT, SYS_DVBT2, SYS_DVBC_ANNEX_A};
  return f;
}

inline DvbFrontend FrontendOf(FakeDvb& dvb, int adapter) {
  for (DvbFrontend& f : EnumerateFrontends(dvb)) {
    if (f.adapter == adapter) return f;
  }
  return {};
}

// A tuner filter on adapter `adapter` of the fake.
inline ComPtr<CDvbTunerFilter> MakeFilter(const std::shared_ptr<FakeDvb>& dvb, int adapter) {
  HRESULT hr = S_OK;
  auto tuner = std::make_shared<DvbTuner>(dvb, FrontendOf(*dvb, adapter));
  return ComPtr<CDvbTunerFilter>(new CDvbTunerFilter(tuner, &hr));
}

// Demodulator first, then the RF node, as the network provider tunes.
inline void TuneChannel(IUnknown* filter, common::ChannelMap map, int physical,
                        common::ModulationMask mode) {
  const auto frequency = common::ResolveFrequency(map, physical);
  auto control = ComPtr<IUnknown>(filter).As<IBDA_DeviceControl>();
  const GUID& node = bda::DemodulatorNodeType(common::FamilyOf(mode));
  auto rf = bda::test::ControlNode<IBDA_FrequencyFilter>(filter, KSNODE_BDA_RF_TUNER);
  control->StartChanges();
  if (auto type = common::ModulationType(mode)) {
    ModulationType value = bda::ModulationTypeOf(*type);
    bda::test::ControlNode<IBDA_DigitalDemodulator>(filter, node)->put_ModulationType(&value);
  } else {
    bda::test::ControlNode<IBDA_AutoDemodulate>(filter, node)->put_AutoDemodulate();
  }
  control->CommitChanges();
  control->StartChanges();
  rf->put_FrequencyMultiplier(frequency->multiplier);
  rf->put_Frequency(frequency->frequency);
  rf->put_Bandwidth(frequency->bandwidth < 0 ? BDA_ULONG_NOT_SET
                                             : static_cast<ULONG>(frequency->bandwidth));
  control->CommitChanges();
}

}  // namespace linuxdvb::test
