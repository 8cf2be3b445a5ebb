#include "platform/av/audio/AlsaDevice.h"

#include <gtest/gtest.h>

#include <vector>

namespace av::audio::test {
namespace {

// ALSA's "null" device takes frames and plays them nowhere; it exists wherever
// alsa-lib's configuration is installed, sound card or not.
TEST(AlsaDevice, TakesFramesAndCountsThemWritten) {
  std::string error;
  auto device = OpenAlsaDevice("null", {48000, 2}, &error);
  if (!device) GTEST_SKIP() << "no ALSA null device: " << error;
  const std::vector<std::int16_t> frames(2 * 480, 100);
  const long written = device->Write(frames.data(), 480);
  ASSERT_GT(written, 0);
  const AudioPosition position = device->Position();
  EXPECT_EQ(position.written, written);
  EXPECT_GE(position.Played(), 0);
  device->Drop();
  EXPECT_EQ(device->Position().queued, 0);
}

TEST(AlsaDevice, AMissingDeviceGivesAReason) {
  std::string error;
  EXPECT_EQ(OpenAlsaDevice("no-such-device", {48000, 2}, &error), nullptr);
  EXPECT_FALSE(error.empty());
}

}  // namespace
}  // namespace av::audio::test
