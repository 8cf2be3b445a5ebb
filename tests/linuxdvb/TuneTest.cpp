#include <gtest/gtest.h>

#include "platform/bda/linuxdvb/DvbProperties.h"
#include "tests/linuxdvb/DvbTestSupport.h"

namespace linuxdvb::test {
namespace {

using Properties = std::vector<std::pair<std::uint32_t, std::uint32_t>>;

struct Case {
  common::ChannelMap map;
  int physical;
  common::ModulationMask mode;
  Properties sent;  // after DTV_CLEAR
};

// Every band plan with each of its modulations: the kernel gets the centre
// frequency (1.75 MHz above the picture carrier the plan tunes; IRC channel 1's
// carrier is 73.2625 MHz), the delivery system and the modulation.
TEST(DvbTune, SendsThePropertiesOfEachBandPlanAndModulation) {
  const std::vector<Case> cases = {
      {common::kAntennaUs,
       2,
       common::kVsb8,
       {{DTV_DELIVERY_SYSTEM, SYS_ATSC},
        {DTV_MODULATION, VSB_8},
        {DTV_INVERSION, INVERSION_AUTO},
        {DTV_FREQUENCY, 57'000'000},
        {DTV_TUNE, 0}}},
      {common::kAntennaUs,
       69,
       common::kVsbAuto,
       {{DTV_DELIVERY_SYSTEM, SYS_ATSC},
        {DTV_MODULATION, VSB_8},
        {DTV_INVERSION, INVERSION_AUTO},
        {DTV_FREQUENCY, 803'000'000},
        {DTV_TUNE, 0}}},
      {common::kCableStandard,
       95,
       common::kQam256,
       {{DTV_DELIVERY_SYSTEM, SYS_DVBC_ANNEX_B},
        {DTV_MODULATION, QAM_256},
        {DTV_INVERSION, INVERSION_AUTO},
        {DTV_FREQUENCY, 93'000'000},
        {DTV_TUNE, 0}}},
      {common::kCableHrc,
       2,
       common::kQam64,
       {{DTV_DELIVERY_SYSTEM, SYS_DVBC_ANNEX_B},
        {DTV_MODULATION, QAM_64},
        {DTV_INVERSION, INVERSION_AUTO},
        {DTV_FREQUENCY, 55'752'700},
        {DTV_TUNE, 0}}},
      {common::kCableIrc,
       1,
       common::kQamAuto,
       {{DTV_DELIVERY_SYSTEM, SYS_DVBC_ANNEX_B},
        {DTV_MODULATION, QAM_AUTO},
        {DTV_INVERSION, INVERSION_AUTO},
        {DTV_FREQUENCY, 75'012'500},
        {DTV_TUNE, 0}}},
  };
  for (const Case& c : cases) {
    auto dvb = std::make_shared<FakeDvb>();
    dvb->AddAdapter(0, AtscCard());
    auto filter = MakeFilter(dvb, 0);
    TuneChannel(static_cast<IBaseFilter*>(filter.Get()), c.map, c.physical, c.mode);
    const auto calls = dvb->SetPropertyCalls(0);
    ASSERT_EQ(calls.size(), 2u) << c.map << " " << c.physical;
    EXPECT_EQ(calls[0], (Properties{{DTV_CLEAR, 0}}));
    EXPECT_EQ(calls[1], c.sent) << c.map << " " << c.physical;
  }
}

TEST(DvbTune, DvbtPlansSendBandwidthModulationAndAutomaticParameters) {
  const Properties automatic = {{DTV_CODE_RATE_HP, FEC_AUTO},
                                {DTV_CODE_RATE_LP, FEC_AUTO},
                                {DTV_TRANSMISSION_MODE, TRANSMISSION_MODE_AUTO},
                                {DTV_GUARD_INTERVAL, GUARD_INTERVAL_AUTO},
                                {DTV_HIERARCHY, HIERARCHY_AUTO},
                                {DTV_INVERSION, INVERSION_AUTO}};
  auto expected = [&](std::uint32_t bandwidth, std::uint32_t modulation, std::uint32_t hz) {
    Properties p = {{DTV_DELIVERY_SYSTEM, SYS_DVBT},
                    {DTV_BANDWIDTH_HZ, bandwidth},
                    {DTV_MODULATION, modulation}};
    p.insert(p.end(), automatic.begin(), automatic.end());
    p.push_back({DTV_FREQUENCY, hz});
    p.push_back({DTV_TUNE, 0});
    return p;
  };
  const std::vector<Case> cases = {
      {common::kAntennaEu, 12, common::kCofdmQam64, expected(7'000'000, QAM_64, 226'500'000)},
      {common::kAntennaEu, 21, common::kCofdmQam16, expected(8'000'000, QAM_16, 474'000'000)},
      {common::kAntennaAu, 28, common::kCofdmAuto, expected(7'000'000, QAM_AUTO, 557'000'000)},
      {common::kAntennaTw, 14, common::kCofdmQpsk, expected(6'000'000, QPSK, 473'000'000)},
  };
  for (const Case& c : cases) {
    auto dvb = std::make_shared<FakeDvb>();
    dvb->AddAdapter(0, DvbtStick());
    auto filter = MakeFilter(dvb, 0);
    TuneChannel(static_cast<IBaseFilter*>(filter.Get()), c.map, c.physical, c.mode);
    const auto calls = dvb->SetPropertyCalls(0);
    ASSERT_EQ(calls.size(), 2u) << c.map << " " << c.physical;
    EXPECT_EQ(calls[1], c.sent) << c.map << " " << c.physical;
  }
}

TEST(DvbTune, FamilyTheFrontendLacksSendsNothing) {
  auto dvb = std::make_shared<FakeDvb>();
  dvb->AddAdapter(0, CableBox());
  DvbTuner tuner(dvb, FrontendOf(*dvb, 0));
  bda::DeviceTune tune;
  tune.frequencyHz = 55'250'000;
  tune.family = common::DemodulatorFamily::kVsb;
  EXPECT_FALSE(tuner.Tune(tune));
  EXPECT_EQ(tuner.LastTuneResult(), E_INVALIDARG);
  EXPECT_TRUE(dvb->SetPropertyCalls(0).empty());
}

TEST(DvbTune, UnpluggedFrontendFailsWithANamedResult) {
  auto dvb = std::make_shared<FakeDvb>();
  dvb->AddAdapter(0, AtscCard());
  DvbTuner tuner(dvb, FrontendOf(*dvb, 0));
  dvb->Unplug(0);
  bda::DeviceTune tune;
  tune.frequencyHz = 55'250'000;
  tune.family = common::DemodulatorFamily::kVsb;
  EXPECT_FALSE(tuner.Tune(tune));
  EXPECT_EQ(com::ResultName(tuner.LastTuneResult()), "ERROR_DEV_NOT_EXIST");
}

}  // namespace
}  // namespace linuxdvb::test
