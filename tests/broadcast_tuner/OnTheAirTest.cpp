// The sample broadcast through a virtual tuner: the default a machine without
// a tuner card receives.
#include "tools/broadcast/tuner/OnTheAir.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <set>
#include <vector>

#include "platform/bda/virtual/VirtualTuner.h"
#include "tuning/BandPlan.h"

namespace broadcast {
namespace {

class OnTheAirTest : public testing::Test {
 protected:
  void SetUp() override {
    unsetenv("CORVANE_BROADCAST");
    setenv("CORVANE_TUNER_PACE", "0", 1);
  }
  void TearDown() override { unsetenv("CORVANE_TUNER_PACE"); }
};

TEST_F(OnTheAirTest, SampleBroadcastIsReceivedOnItsChannelsOnly) {
  std::string error;
  auto on = LoadBroadcast(&error);
  ASSERT_NE(on, nullptr) << error;
  EXPECT_FALSE(on->Paced());
  vtuner::VirtualTuner tuner(on);

  const auto ch31 = tuning::ResolveFrequency(tuning::kAntennaUs, 31);
  ASSERT_TRUE(tuner.Tune(std::uint64_t{ch31->frequency} * ch31->multiplier,
                         tuning::DemodulatorFamily::kVsb))
      << tuner.LastError();
  EXPECT_TRUE(tuner.Statistics().locked);
  std::vector<std::uint8_t> buffer(188 * 2000);
  std::size_t total = 0;
  std::set<int> pids;
  for (int i = 0; i < 5; ++i) {
    const std::size_t n = tuner.Read(buffer);
    ASSERT_EQ(n % 188, 0u);
    for (std::size_t p = 0; p < n; p += 188) {
      ASSERT_EQ(buffer[p], 0x47);
      pids.insert((buffer[p + 1] & 0x1F) << 8 | buffer[p + 2]);
    }
    total += n;
  }
  EXPECT_GT(total, 0u);
  EXPECT_TRUE(pids.count(0x0000));  // PAT
  EXPECT_TRUE(pids.count(0x1FFB));  // PSIP

  // Channel 30 carries nothing; the same frequency as COFDM is not received.
  const auto ch30 = tuning::ResolveFrequency(tuning::kAntennaUs, 30);
  EXPECT_FALSE(tuner.Tune(std::uint64_t{ch30->frequency} * ch30->multiplier,
                          tuning::DemodulatorFamily::kVsb));
  EXPECT_EQ(tuner.Read(buffer), 0u);
  EXPECT_FALSE(tuner.Tune(std::uint64_t{ch31->frequency} * ch31->multiplier,
                          tuning::DemodulatorFamily::kCofdm));
}

}  // namespace
}  // namespace broadcast
