#include "app/osd/OsdTexts.h"

#include <gtest/gtest.h>

#include "app/osd/OsdLayout.h"

namespace app::osd {
namespace {

constexpr std::int64_t kSecond = 10'000'000;

BannerInput Channel(int major, int minor) {
  BannerInput in;
  in.name = "KFIV";
  in.major = major;
  in.minor = minor;
  in.tuner = 32;
  in.player = 2;
  return in;
}

TEST(ChannelLine, NamesTheChannelWithOneOrTwoPartNumbers) {
  EXPECT_EQ(ChannelLine(Channel(5, 5)), "KFIV 5.5");
  EXPECT_EQ(ChannelLine(Channel(2048, 0)), "KFIV 2048");
}

TEST(ChannelLine, MarksRecordingAndFilePlayback) {
  BannerInput in = Channel(2048, 0);
  in.tuner = 48;
  EXPECT_EQ(ChannelLine(in), "Rec KFIV 2048");
  in.player = 3;
  EXPECT_EQ(ChannelLine(in), "File 2048");
}

TEST(ChannelLine, ATypedNumberReplacesTheChannel) {
  BannerInput in = Channel(5, 5);
  in.entryText = "5.";
  EXPECT_EQ(ChannelLine(in), "5.");
}

TEST(Banner, ClockIsOnTwelveHoursAndSignalInPercent) {
  BannerInput in = Channel(5, 5);
  in.signalQuality = 87;
  in.localTime.tm_hour = 13;
  in.localTime.tm_min = 5;
  in.localTime.tm_wday = 2;
  in.localTime.tm_mon = 11;
  in.localTime.tm_mday = 8;
  const BannerTexts t = MakeBanner(in);
  EXPECT_EQ(t.signal, "87 %");
  EXPECT_EQ(t.time, "1:05 P");
  EXPECT_EQ(t.date, "Tue 12/08");
  in.localTime.tm_hour = 0;
  in.localTime.tm_min = 30;
  EXPECT_EQ(ClockLine(in.localTime), "12:30 A");
}

TEST(PlaybackLine, ShowsPlayStateRateAndTime) {
  PlaybackInput in{2, 2, -4.0, 3723 * kSecond, 0, 4000 * kSecond};
  EXPECT_EQ(PlaybackLine(in), "RW 4X  1:02:03");
  in.rate = 2.0;
  EXPECT_EQ(PlaybackLine(in), "FF 2X  1:02:03");
  in.runState = 1;
  EXPECT_EQ(PlaybackLine(in), "Pause  1:02:03");
}

TEST(PlaybackLine, AFileShowsPositionAndDuration) {
  const PlaybackInput in{3, 2, 1.0, 10 * kSecond + 65 * kSecond, 10 * kSecond, 130 * kSecond};
  EXPECT_EQ(PlaybackLine(in), "Play 0:01:05 / 0:02:00");
}

TEST(GlassText, RecordingStylePrefixesTheText) {
  EXPECT_EQ(GlassText("Play", true), "(Rec) Play");
  EXPECT_EQ(GlassText("Play", false), "Play");
  EXPECT_EQ(VolumeLine(true), "Muting");
}

TEST(OsdLayout, ScalesWithTheVideoHeightAndCentres) {
  const OsdLayout small = LayOut({0, 0, 640, 350}, 640);
  const OsdLayout large = LayOut({0, 40, 1280, 740}, 1280);
  EXPECT_EQ(small.fontPixels, 16);
  EXPECT_EQ(large.fontPixels, 32);
  EXPECT_EQ(large.banner.Width(), 2 * small.banner.Width());
  EXPECT_EQ(large.banner.top, 40 + 700 / 20);
  EXPECT_EQ(large.volume.top, 40 + (700 / 20) * 17);
  EXPECT_EQ(small.banner.left, 640 - small.banner.right);
}

}  // namespace
}  // namespace app::osd
