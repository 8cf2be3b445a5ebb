#include "graph/player/AudioVolume.h"

#include <gtest/gtest.h>

namespace graph {
namespace {

TEST(RendererVolume, VolumeZeroAndMutedGiveMinusTenThousand) {
  EXPECT_EQ(RendererVolume(0, false), -10000);
  EXPECT_EQ(RendererVolume(20, true), -10000);
  EXPECT_EQ(RendererVolume(10, true), -10000);
}

TEST(RendererVolume, IsTwoThousandTimesTheNaturalLogOfTheTwentieth) {
  EXPECT_EQ(RendererVolume(20, false), 0);
  EXPECT_EQ(RendererVolume(10, false), -1386);
  EXPECT_EQ(RendererVolume(5, false), -2772);
  EXPECT_EQ(RendererVolume(1, false), -5991);
}

}  // namespace
}  // namespace graph
