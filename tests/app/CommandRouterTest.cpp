#include "app/commands/CommandRouter.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace app::commands {
namespace {

struct FakeViewing : IViewing {
  ViewState state{true, 32, 2, 2, 1, 5};
  tuning::ChannelLocator current = tuning::ChannelLocator::Make(7, 1, 7, 0, 1);
  std::vector<std::string> calls;
  tuning::ChannelLocator tuned;

  ViewState State() override { return state; }
  tuning::ChannelLocator CurrentChannel() override { return current; }
  void Tune(const tuning::ChannelLocator& l, bool remember) override {
    tuned = l;
    calls.push_back(remember ? "tune remembered" : "tune");
  }
  void RunPlayer() override { calls.push_back("run"); }
  void PausePlayer() override { calls.push_back("pause"); }
  void StopPlayer() override { calls.push_back("stop player"); }
  void JumpToLive() override { calls.push_back("live"); }
  void Skip(int seconds) override { calls.push_back("skip " + std::to_string(seconds)); }
  void ApplyVolume(std::int32_t v, bool muted) override {
    calls.push_back("volume " + std::to_string(v) + (muted ? " muted" : ""));
  }
  void SetCaptions(bool on) override { calls.push_back(on ? "captions on" : "captions off"); }
  void StartRecording(std::u16string_view title) override {
    calls.push_back(title == u"Manual Record" ? "record Manual Record" : "record");
  }
  void StopRecording() override { calls.push_back("stop recording"); }
  void StopFilePlayback() override { calls.push_back("stop file"); }
  void SwitchToGraph(int index) override { calls.push_back("graph " + std::to_string(index)); }
};

struct FakeShell : IWindowShell {
  std::vector<WindowAction> actions;
  std::vector<int> args;
  std::vector<std::uint16_t> guide;
  std::vector<std::string> notices;
  void Do(WindowAction a, int arg1, int arg2) override {
    actions.push_back(a);
    args.insert(args.end(), {arg1, arg2});
  }
  void ToGuide(std::uint16_t command) override { guide.push_back(command); }
  void Notice(std::string_view text) override { notices.emplace_back(text); }
};

tuning::ChannelRecord Channel(std::uint8_t physical, std::uint16_t major, std::uint16_t minor) {
  tuning::ChannelRecord r;
  r.locator = tuning::ChannelLocator::Make(physical, minor, major, 0, 1);
  r.enabled = 1;
  return r;
}

class CommandRouterTest : public ::testing::Test {
 protected:
  CommandRouterTest() {
    manager.uiMode = UiMode::kLive;
    manager.settings.volume = 10;
    channels.InsertSorted(Channel(7, 7, 1));
    channels.InsertSorted(Channel(9, 9, 1));
    channels.InsertSorted(Channel(5, 5, 5));
  }
  void Type(const std::string& keys) {
    for (char c : keys) {
      for (CommandId id = 40177; id <= 40189; ++id) {
        if (EntryCharacter(id) == c) router.Execute(id);
      }
    }
  }

  TunerManager manager;
  tuning::ChannelList channels;
  FakeViewing viewing;
  FakeShell shell;
  CommandRouter router{manager, channels, viewing, shell};
};

TEST_F(CommandRouterTest, ChannelUpTunesTheNextChannelAndShowsTheBanner) {
  router.Execute(kChannelUp);
  ASSERT_EQ(viewing.calls, std::vector<std::string>{"tune remembered"});
  EXPECT_EQ(viewing.tuned.major(), 9);
  EXPECT_EQ(router.Osd().bannerSeconds, osd::kBannerSeconds);
}

TEST_F(CommandRouterTest, ChannelChangeIsRefusedWhileRecordingOrWithoutAPlayer) {
  viewing.state.tuner = 48;
  router.Execute(kChannelDown);
  viewing.state = {true, 32, 0, 0, 1, 5};
  router.Execute(kChannelUp);
  viewing.state.graph = false;
  router.Execute(kChannelUp);
  EXPECT_TRUE(viewing.calls.empty());
}

TEST_F(CommandRouterTest, ArrowsAreVolumeAndChannelLiveAndGridMovesInTheGuide) {
  router.Execute(kArrowRight);
  router.Execute(kArrowUp);
  EXPECT_EQ(viewing.calls, (std::vector<std::string>{"volume 11", "tune remembered"}));
  manager.uiMode = UiMode::kGuide;
  for (CommandId id : {kArrowRight, kArrowLeft, kArrowUp, kArrowDown, kEnter, kRecord})
    router.Execute(id);
  EXPECT_EQ(shell.guide, (std::vector<std::uint16_t>{kGuideRight, kGuideLeft, kGuideUp, kGuideDown,
                                                     kGuideOk, kGuideRecord}));
  EXPECT_EQ(viewing.calls.size(), 2u);
}

TEST_F(CommandRouterTest, TypedNumberShowsUntilEnterThenTunesIt) {
  Type("5.5");
  EXPECT_EQ(manager.uiMode, UiMode::kNumberEntry);
  EXPECT_EQ(router.Entry().Text(), "5.5");
  EXPECT_TRUE(router.Osd().BannerShown());
  router.Execute(kEnter);
  EXPECT_EQ(viewing.tuned.physical(), 5);
  EXPECT_EQ(viewing.tuned.minor(), 5);
  EXPECT_TRUE(router.Entry().Empty());
  EXPECT_EQ(manager.uiMode, UiMode::kLive);
}

TEST_F(CommandRouterTest, BannerCountdownEndsTheNumberEntry) {
  Type("5.");
  for (int i = 0; i < osd::kBannerSeconds - 1; ++i)
    router.Tick(true);
  EXPECT_EQ(router.Entry().Text(), "5.");
  router.Tick(true);
  EXPECT_TRUE(router.Entry().Empty());
  EXPECT_EQ(manager.uiMode, UiMode::kLive);
  EXPECT_FALSE(router.Osd().BannerShown());
}

TEST_F(CommandRouterTest, OpeningTheGuideStopsTheBannerCountdown) {
  router.Execute(kInfo);
  router.Execute(kGuideToggle);
  EXPECT_EQ(manager.uiMode, UiMode::kGuide);
  EXPECT_FALSE(router.Osd().BannerShown());
  for (int i = 0; i < osd::kInfoSeconds; ++i)
    router.Tick(true);
  EXPECT_EQ(manager.uiMode, UiMode::kGuide);
  router.Execute(kGuideToggle);
  EXPECT_EQ(manager.uiMode, UiMode::kLive);
}

TEST_F(CommandRouterTest, BannerAndInfoToggle) {
  router.Execute(kBanner);
  EXPECT_EQ(router.Osd().bannerSeconds, osd::kBannerSeconds);
  EXPECT_FALSE(router.Osd().description);
  router.Execute(kBanner);
  EXPECT_FALSE(router.Osd().BannerShown());
  router.Execute(kInfo);
  EXPECT_EQ(router.Osd().bannerSeconds, osd::kInfoSeconds);
  EXPECT_TRUE(router.Osd().description);
  router.Execute(kInfo);
  EXPECT_FALSE(router.Osd().BannerShown());
}

TEST_F(CommandRouterTest, VolumeStaysWithinRangeAndClearsMute) {
  router.Execute(kMute);
  EXPECT_EQ(manager.settings.muted, 1u);
  for (int i = 0; i < 15; ++i)
    router.Execute(kVolumeUp);
  EXPECT_EQ(manager.settings.volume, 20);
  EXPECT_EQ(manager.settings.muted, 0u);
  EXPECT_EQ(viewing.calls.front(), "volume 10 muted");
  EXPECT_EQ(router.Osd().volumeSeconds, osd::kBarSeconds);
}

TEST_F(CommandRouterTest, PlayPauseFollowsTheRunState) {
  router.Execute(kPlayPause);
  viewing.state.runState = 1;
  router.Execute(kPlayPause);
  EXPECT_EQ(viewing.calls, (std::vector<std::string>{"pause", "run"}));
  EXPECT_EQ(router.Osd().playbackSeconds, osd::kBarSeconds);
}

TEST_F(CommandRouterTest, StopEndsARecordingOrFilePlayback) {
  router.Execute(kStop);
  viewing.state.tuner = 48;
  router.Execute(kStop);
  viewing.state = {true, 32, 3, 2, 1, 5};
  router.Execute(kStop);
  EXPECT_EQ(viewing.calls, (std::vector<std::string>{"stop recording", "stop file"}));
}

TEST_F(CommandRouterTest, RecordNeedsLiveBufferedViewing) {
  viewing.state.player = 3;
  router.Execute(kRecord);
  viewing.state.player = 2;
  router.Execute(kRecord);
  EXPECT_EQ(viewing.calls, std::vector<std::string>{"record Manual Record"});
}

TEST_F(CommandRouterTest, SkipsMoveThirtySecondsForwardAndTenBack) {
  router.Execute(kSkipForward);
  router.Execute(kSkipBack);
  EXPECT_EQ(viewing.calls, (std::vector<std::string>{"skip 30", "skip -10"}));
}

TEST_F(CommandRouterTest, NextInputNeedsTwoGraphsAndWraps) {
  router.Execute(kNextInput);
  viewing.state.graphCount = 3;
  manager.currentGraph = 2;
  router.Execute(kNextInput);
  EXPECT_EQ(viewing.calls, std::vector<std::string>{"graph 0"});
}

TEST_F(CommandRouterTest, TimersNeedAGraphAndAPlayer) {
  viewing.state.graph = false;
  router.Execute(kTimers);
  viewing.state = {true, 16, 0, 0, 1, 5};
  router.Execute(kTimers);
  viewing.state.player = 2;
  router.Execute(kTimers);
  EXPECT_EQ(shell.notices, std::vector<std::string>{"Player has not been built."});
  EXPECT_EQ(shell.actions, std::vector<WindowAction>{WindowAction::kTimers});
}

TEST_F(CommandRouterTest, CaptionsToggleOnlyWithACaptionRenderer) {
  router.Execute(kCaptionsToggle);
  viewing.state.rendererKind = 6;
  router.Execute(kCaptionsToggle);
  EXPECT_EQ(viewing.calls, std::vector<std::string>{"captions on"});
  EXPECT_TRUE(manager.settings.viewFlags & kCaptionsOn);
}

TEST_F(CommandRouterTest, WindowSizeItemsSetTheVideoArea) {
  EXPECT_TRUE(router.Execute(40053));
  EXPECT_TRUE(router.Execute(40031));
  EXPECT_EQ(shell.args, (std::vector<int>{533, 300, 1280, 1024}));
  EXPECT_FALSE(router.Execute(40999));
}

TEST_F(CommandRouterTest, ResumeAtLiveRunsAPausedPlayerAtTheNewestPosition) {
  router.ResumeAtLive();
  viewing.state.runState = 1;
  router.ResumeAtLive();
  EXPECT_EQ(viewing.calls, (std::vector<std::string>{"run", "live"}));
}

}  // namespace
}  // namespace app::commands
