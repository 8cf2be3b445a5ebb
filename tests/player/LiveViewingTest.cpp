// Live viewing (state 34) of the sample broadcast on the virtual tuner: the
// buffered tuner graph writes the time-shift list, the player reads it back.
#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "common/ErrorBox.h"
#include "common/Utf16.h"
#include "graph/manager/CBDAFilterGraph.h"
#include "graph/player/OpenFile.h"
#include "platform/av/decoders/Ac3Decoder.h"
#include "platform/av/decoders/Mpeg2VideoDecoder.h"
#include "platform/bda/tuner/VirtualTuners.h"
#include "tests/player/PlayerFixture.h"
#include "tests/support/TempFolder.h"
#include "tools/broadcast/tuner/OnTheAir.h"

namespace player::test {
namespace {

using namespace std::chrono_literals;

template <class Decoder>
av::DecoderStats StatsOf(const ComPtr<IBaseFilter>& filter) {
  auto* decoder = dynamic_cast<Decoder*>(filter.Get());
  return decoder ? decoder->Stats() : av::DecoderStats{};
}

class LiveViewingTest : public testing::Test {
 protected:
  void SetUp() override {
    unsetenv("CORVANE_BROADCAST");
    std::string error;
    auto broadcast = broadcast::LoadBroadcast(&error);
    ASSERT_NE(broadcast, nullptr) << error;
    const auto names = bda::RegisterVirtualTuners(broadcast);
    ASSERT_FALSE(names.empty());
    config_.devicePath = names[0];
    config_.bufferFolder = folder_.Path();
    config_.currentChannel = tuning::ChannelLocator::Make(31, 5, 5, 0, 1);
    player_.SetOptions(TestOptions());
  }
  void TearDown() override { bda::UnregisterVirtualTuners(); }

  testsupport::TempFolder folder_{"corvane-live"};
  tuning::ChannelList channels_;
  tables::ProgramTables tables_;
  graph::GraphConfig config_;
  graph::VideoWindowState window_;
  graph::PlayerGraph player_{window_};
};

TEST_F(LiveViewingTest, TheTimeShiftPlayerDecodesVideoAndSound) {
  graph::CBDAFilterGraph manager(config_, {&channels_, &tables_, nullptr, &player_});
  ASSERT_EQ(manager.RequestGraphState(32, 2), S_OK);
  std::this_thread::sleep_for(3s);
  const av::DecoderStats video = StatsOf<av::CMpeg2VideoDecoder>(player_.VideoDecoder());
  const av::DecoderStats audio = StatsOf<av::CAc3Decoder>(player_.AudioDecoder());
  EXPECT_GT(video.frames, 10u);
  EXPECT_GT(audio.frames, 10u);
  EXPECT_EQ(video.decodeErrors, 0u);

  // Paused and wound back, then live again.
  ASSERT_EQ(player_.Pause(), S_OK);
  ASSERT_EQ(player_.SeekToFraction(0, 1), S_OK);
  ASSERT_EQ(player_.JumpToLive(), S_OK);
  graph::PlayerPosition position;
  ASSERT_EQ(player_.GetPosition(&position), S_OK);
  EXPECT_GT(position.latest, position.earliest);
  EXPECT_GE(position.current, position.latest - 10'000'000);
  EXPECT_EQ(manager.RequestGraphState(0, 0), S_OK);
  EXPECT_EQ(player_.Kind(), graph::PlayerState::kNone);
}

TEST_F(LiveViewingTest, TheLivePlayerDecodesInsideTheTunerGraph) {
  graph::CBDAFilterGraph manager(config_, {&channels_, &tables_, nullptr, &player_});
  ASSERT_EQ(manager.RequestGraphState(16, 1), S_OK);
  EXPECT_FALSE(player_.Graph());
  std::this_thread::sleep_for(2s);
  EXPECT_GT(StatsOf<av::CMpeg2VideoDecoder>(player_.VideoDecoder()).frames, 10u);
  EXPECT_GT(StatsOf<av::CAc3Decoder>(player_.AudioDecoder()).frames, 10u);
}

TEST_F(LiveViewingTest, AFileThatCannotBePlayedReturnsToLiveViewing) {
  graph::CBDAFilterGraph manager(config_, {&channels_, &tables_, nullptr, &player_});
  ASSERT_EQ(manager.RequestGraphState(32, 2), S_OK);
  // Chosen, then gone before it was opened.
  const auto file = folder_.Path() / "gone.mpg";
  common::ErrorCapture errors;
  EXPECT_TRUE(FAILED(graph::OpenPlaybackFile(manager, player_, common::FromUtf8(file.string()))));
  EXPECT_EQ(manager.Tuner(), graph::TunerState::kTunerBuffered);
  EXPECT_EQ(manager.Player(), graph::PlayerState::kPlayerTimeShift);
  EXPECT_TRUE(player_.PlaybackFile().empty());
  ASSERT_FALSE(errors.Messages().empty());
  EXPECT_TRUE(errors.Messages()[0].starts_with("Player can not load file"));
}

}  // namespace
}  // namespace player::test
