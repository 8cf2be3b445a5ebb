#include "common/VideoLayout.h"

#include <gtest/gtest.h>

namespace common {
namespace {

TEST(VideoLayout, SixteenNineInASquareKeepsTheWidthAndTruncatesTheHalfMargins) {
  EXPECT_EQ(FitAspect({0, 0, 1000, 1000}, {16, 9}), (VideoRect{0, 218, 1000, 781}));
}

TEST(VideoLayout, ANarrowAspectInAWideAreaKeepsTheHeight) {
  // 4:3 in 1000 x 300: width floor(300 * 4 / 3 + 0.5) = 400, margins 300.
  EXPECT_EQ(FitAspect({10, 20, 1010, 320}, {4, 3}), (VideoRect{310, 20, 710, 320}));
}

TEST(VideoLayout, WindowModeFillsTheWholeArea) {
  const VideoLayoutInput input{{0, 0, 640, 200}, AspectMode::kWindow, {16, 9}, 704, 480, {}, {}};
  EXPECT_EQ(LayOutVideo(input)->destination, (VideoRect{0, 0, 640, 200}));
}

TEST(VideoLayout, ModesOneAndTwoIgnoreThePictureAspect) {
  const VideoRect area{0, 0, 1600, 1600};
  EXPECT_EQ(AspectFor(AspectMode::kFourThree, {16, 9}, 704, 480, area).x, 4);
  EXPECT_EQ(AspectFor(AspectMode::kSixteenNine, {4, 3}, 704, 480, area).y, 9);
}

TEST(VideoLayout, OverscanOfTwelveCutsEverySide) {
  EXPECT_EQ(CutOverscan({0, 0, 704, 480}, 704, 480, {12, 12, 12, 12}),
            (VideoRect{12, 12, 692, 468}));
}

TEST(VideoLayout, AnEmptySourceRectangleMeansTheWholePicture) {
  EXPECT_EQ(CutOverscan({}, 720, 576, {}), (VideoRect{0, 0, 720, 576}));
}

TEST(VideoLayout, NegativeOverscanCutsNothing) {
  EXPECT_EQ(CutOverscan({0, 0, 704, 480}, 704, 480, {-5, -5, -5, -5}), (VideoRect{0, 0, 704, 480}));
}

TEST(VideoLayout, OverscanLargerThanThePictureLeavesOnePixel) {
  const VideoRect cut = CutOverscan({0, 0, 704, 480}, 704, 480, {500, 500, 400, 400});
  EXPECT_EQ(cut.Width(), 1);
  EXPECT_EQ(cut.Height(), 1);
}

TEST(VideoLayout, AZeroAspectUsesThePictureShape) {
  // 720 x 360 is 2:1: in a square of 1000 the height is 500.
  const VideoLayoutInput input{{0, 0, 1000, 1000}, AspectMode::kPicture, {0, 0}, 720, 360, {}, {}};
  EXPECT_EQ(LayOutVideo(input)->destination, (VideoRect{0, 250, 1000, 750}));
}

TEST(VideoLayout, AnEmptyAreaIsNotLaidOut) {
  EXPECT_FALSE(LayOutVideo({{0, 0, 0, 480}, AspectMode::kPicture, {16, 9}, 704, 480, {}, {}}));
  EXPECT_FALSE(LayOutVideo({{100, 100, 50, 50}, AspectMode::kWindow, {16, 9}, 704, 480, {}, {}}));
}

TEST(VideoLayout, AnUnknownFrameDurationGivesNoFrameRate) {
  EXPECT_EQ(FramesPerSecond(0), 0.0);
  EXPECT_EQ(FramesPerSecond(-1), 0.0);
  EXPECT_DOUBLE_EQ(FramesPerSecond(400'000), 25.0);
}

}  // namespace
}  // namespace common
