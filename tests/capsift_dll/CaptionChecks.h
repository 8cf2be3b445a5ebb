// What the tests expect of the caption filter's output samples.
#pragma once

#include <gtest/gtest.h>

#include <vector>

#include "tests/support/CaptureRenderer.h"

namespace capsift::test {

struct ExpectedUnit {
  std::vector<std::uint8_t> bytes;
  REFERENCE_TIME start;
};

// Every delivered sample is one unit: its pairs, start time, stop = start + 1,
// consecutive media times, sync point set, discontinuity and preroll clear.
inline void ExpectSamples(const std::vector<CCaptureRenderer::Sample>& samples,
                          const std::vector<ExpectedUnit>& expected) {
  ASSERT_EQ(samples.size(), expected.size());
  for (std::size_t i = 0; i < samples.size(); ++i) {
    SCOPED_TRACE(i);
    const auto& s = samples[i];
    EXPECT_EQ(s.data, expected[i].bytes);
    ASSERT_TRUE(s.hasTime);
    EXPECT_EQ(s.start, expected[i].start);
    EXPECT_EQ(s.stop, s.start + 1);
    ASSERT_TRUE(s.hasMediaTime);
    EXPECT_EQ(s.mediaStop, s.mediaStart + 1);
    if (i > 0) {
      EXPECT_EQ(s.mediaStart, samples[i - 1].mediaStart + 1);
    }
    EXPECT_TRUE(s.syncPoint);
    EXPECT_FALSE(s.discontinuity);
    EXPECT_FALSE(s.preroll);
  }
}

}  // namespace capsift::test
