#include <gtest/gtest.h>

#include "platform/bda/linuxdvb/DvbSignal.h"
#include "tests/linuxdvb/DvbTestSupport.h"

namespace linuxdvb::test {
namespace {

constexpr fe_status_t kLocked = static_cast<fe_status_t>(
    FE_HAS_SIGNAL | FE_HAS_CARRIER | FE_HAS_VITERBI | FE_HAS_SYNC | FE_HAS_LOCK);

bda::SignalState Read(FakeFrontend f) {
  auto dvb = std::make_shared<FakeDvb>();
  dvb->AddAdapter(0, std::move(f));
  const int fd = dvb->Open("/dev/dvb/adapter0/frontend0", 0);
  return ReadSignal(*dvb, fd);
}

TEST(DvbSignal, CarrierToNoiseInDecibelsScalesToThirtyDecibelsFull) {
  EXPECT_EQ(QualityPercent(Decibel(15'000)), 50);
  EXPECT_EQ(QualityPercent(Decibel(30'000)), 100);
  EXPECT_EQ(QualityPercent(Decibel(42'000)), 100);
  EXPECT_EQ(QualityPercent(Decibel(-2'000)), 0);
}

TEST(DvbSignal, RelativeValuesScaleToPercent) {
  EXPECT_EQ(QualityPercent(Relative(0xFFFF)), 100);
  EXPECT_EQ(QualityPercent(Relative(0x8000)), 50);
  EXPECT_EQ(StrengthMilliDb(Relative(0xFFFF)), 0);
  EXPECT_EQ(StrengthMilliDb(Relative(0)), -100'000);
  EXPECT_EQ(StrengthMilliDb(Decibel(-45'500)), -45'500);
  EXPECT_EQ(QualityPercent(dtv_stats{}), std::nullopt);
}

TEST(DvbSignal, LockedFrontendReportsItsStatistics) {
  FakeFrontend f = AtscCard();
  f.status = kLocked;
  f.cnr = Decibel(24'000);
  f.strength = Decibel(-38'000);
  const auto s = Read(f);
  EXPECT_TRUE(s.locked);
  EXPECT_TRUE(s.present);
  EXPECT_EQ(s.quality, 80);
  EXPECT_EQ(s.strength, -38'000);
}

TEST(DvbSignal, WithoutStatisticsTheOlderCallsAreRead) {
  FakeFrontend f = AtscCard();
  f.status = kLocked;
  f.oldSnr = 0x4000;
  f.oldStrength = 0xFFFF;
  const auto s = Read(f);
  EXPECT_EQ(s.quality, 25);
  EXPECT_EQ(s.strength, 0);
}

TEST(DvbSignal, CarrierWithoutLockHasNoQuality) {
  FakeFrontend f = AtscCard();
  f.status = static_cast<fe_status_t>(FE_HAS_SIGNAL | FE_HAS_CARRIER);
  f.cnr = Decibel(9'000);
  const auto s = Read(f);
  EXPECT_FALSE(s.locked);
  EXPECT_TRUE(s.present);
  EXPECT_EQ(s.quality, 0);
}

TEST(DvbSignal, SignalStatisticsNodeReadsTheFrontend) {
  auto dvb = std::make_shared<FakeDvb>();
  FakeFrontend f = AtscCard();
  f.cnr = Decibel(27'000);
  dvb->AddAdapter(0, f);
  auto filter = MakeFilter(dvb, 0);
  IBaseFilter* base = filter.Get();
  TuneChannel(base, common::kAntennaUs, 22, common::kVsb8);
  dvb->SetStatus(0, kLocked);
  auto stats = bda::test::ControlNode<IBDA_SignalStatistics>(base, KSNODE_BDA_RF_TUNER);
  BOOLEAN locked = 0;
  LONG quality = 0;
  EXPECT_EQ(stats->get_SignalLocked(&locked), S_OK);
  EXPECT_EQ(stats->get_SignalQuality(&quality), S_OK);
  EXPECT_EQ(locked, 1);
  EXPECT_EQ(quality, 90);
}

}  // namespace
}  // namespace linuxdvb::test
