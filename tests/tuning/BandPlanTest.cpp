#include "tuning/BandPlan.h"

#include <gtest/gtest.h>

namespace tuning {
namespace {

struct FrequencyCase {
  ChannelMap map;
  int physical;
  std::uint64_t hertz;  // frequency x multiplier
  std::uint32_t multiplier;
  std::int32_t bandwidth;
};

TEST(BandPlan, ResolvesTheFrequencyOfEveryPlan) {
  const FrequencyCase cases[] = {
      {kAntennaUs, 2, 55'250'000, 1, -1},
      {kAntennaUs, 7, 175'250'000, 1, -1},
      {kAntennaUs, 69, 801'250'000, 1, -1},
      {kCableStandard, 14, 121'250'000, 1, -1},
      {kCableStandard, 95, 91'250'000, 1, -1},
      {kCableStandard, 158, 997'250'000, 1, -1},
      {kCableHrc, 1, 72'003'600, 1, -1},  // the standard HRC carrier of channel 1
      {kCableHrc, 2, 54'002'700, 1, -1},
      {kCableHrc, 5, 78'003'900, 1, -1},  // k = 13
      {kCableIrc, 1, 73'262'500, 1, -1},
      {kCableIrc, 42, 331'275'000, 1, -1},
      {kCableIrc, 3, 61'262'500, 1, -1},
      {kAntennaEu, 5, 177'500'000, 1000, 7},
      {kAntennaEu, 12, 226'500'000, 1000, 7},
      {kAntennaEu, 13, 0, 1000, 7},  // no such channel: passed as 0
      {kAntennaEu, 14, 0, 1000, 8},
      {kAntennaEu, 21, 474'000'000, 1000, 8},
      {kAntennaAu, 7, 177'000'000, 1000, 7},
      {kAntennaTw, 14, 473'000'000, 1000, 6},
      {kAntennaTw, 69, 803'000'000, 1000, 6},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << "map " << c.map << " channel " << c.physical);
    const auto f = ResolveFrequency(c.map, c.physical);
    ASSERT_TRUE(f.has_value());
    EXPECT_EQ(std::uint64_t{f->frequency} * f->multiplier, c.hertz);
    EXPECT_EQ(f->multiplier, c.multiplier);
    EXPECT_EQ(f->bandwidth, c.bandwidth);
  }
  // DVB-T plans pass kilohertz.
  EXPECT_EQ(ResolveFrequency(kAntennaEu, 5)->frequency, 177'500u);
}

TEST(BandPlan, EmptyEntriesStayZeroAndOutOfTableChannelsAreRefused) {
  EXPECT_EQ(ResolveFrequency(kAntennaUs, 0)->frequency, 0u);  // no wrap below zero
  EXPECT_EQ(ResolveFrequency(kCableStandard, 159)->frequency, 0u);
  EXPECT_FALSE(ResolveFrequency(kAntennaUs, 70));
  EXPECT_FALSE(ResolveFrequency(kAntennaUs, -1));
  EXPECT_FALSE(ResolveFrequency(kCableStandard, 160));
  EXPECT_FALSE(ResolveFrequency(kAntennaTw, 13));
  EXPECT_FALSE(ResolveFrequency(kAntennaTw, 70));
  EXPECT_FALSE(ResolveFrequency(7, 20));
  EXPECT_FALSE(ResolveFrequency(255, 20));
}

TEST(BandPlan, NamesAndOffers) {
  EXPECT_STREQ(ChannelMapName(kCableHrc), "Cable (HRC)");
  EXPECT_STREQ(ChannelMapName(7), "Unknown");
  EXPECT_STREQ(ModulationName(0x009), "VSB:Auto");
  EXPECT_STREQ(ModulationName(0x006), "QAM:64-QAM");
  EXPECT_STREQ(ModulationName(0x1E0), "COFDM:AUTO");
  EXPECT_STREQ(ModulationName(0), "Unknown");
  EXPECT_EQ(OfferedChannelMaps(0x003), (std::vector<ChannelMap>{0, 1, 2, 3}));
  EXPECT_EQ(OfferedChannelMaps(0x100), (std::vector<ChannelMap>{4, 5, 6}));
  EXPECT_EQ(OfferedModulations(0x003), (std::vector<ModulationMask>{0x001, 0x002}));
  EXPECT_EQ(
      OfferedModulations(0x1FF),
      (std::vector<ModulationMask>{0x008, 0x001, 0x010, 0x002, 0x004, 0x100, 0x020, 0x040, 0x080}));
  EXPECT_EQ(ScanRange(kCableHrc).first, 1);
  EXPECT_EQ(ScanRange(kCableHrc).last, 135);
  EXPECT_EQ(ScanRange(kAntennaTw).first, 14);
  EXPECT_EQ(ModulationType(kQam256), BdaModulation::k256Qam);
  EXPECT_EQ(ModulationType(kCofdmQam64), BdaModulation::k64Qam);
  EXPECT_FALSE(ModulationType(kVsbAuto));
  EXPECT_FALSE(ModulationType(0x009));  // named VSB:Auto: the device decides
}

TEST(BandPlan, CofdmAutoLivesInTheLocatorAsZeroOnDvbMaps) {
  EXPECT_EQ(ModulationToLocator(kCofdmAuto), 0);
  EXPECT_EQ(ModulationFromLocator(kAntennaEu, 0), kCofdmAuto);
  EXPECT_STREQ(ModulationName(ModulationFromLocator(kAntennaTw, 0)), "COFDM:AUTO");
  EXPECT_EQ(ModulationFromLocator(kAntennaUs, 0), 0u);
  EXPECT_EQ(ModulationFromLocator(kAntennaEu, 0x40), kCofdmQam16);
}

}  // namespace
}  // namespace tuning
