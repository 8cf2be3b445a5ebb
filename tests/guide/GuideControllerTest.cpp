#include "app/guide/GuideController.h"

#include "app/guide/GuideCommands.h"
#include "tests/guide/GuideFixture.h"

namespace app {
namespace {

class GuideControllerTest : public guidetest::GuideFixture, public IGuideHost {
 protected:
  class FixedClock final : public recording::Clock {
   public:
    explicit FixedClock(std::int64_t now) : now_(now) {}
    std::int64_t NowUtc() const override { return now_; }

   private:
    std::int64_t now_;
  };

  GuideController& Open(std::int64_t now) {
    clock_ = std::make_unique<FixedClock>(now);
    guide_ = std::make_unique<GuideController>(*this, tuning::ChannelLocator{});
    guide_->Resize({800, 480});
    return *guide_;
  }

  // IGuideHost
  tuning::ChannelList& Channels() override { return channels_; }
  recording::TimerList& Timers() override { return timers_; }
  const recording::Clock& Clock() override { return *clock_; }
  int ConflictLimit() override { return 1; }
  bool Recording() override { return recording_; }
  void Tune(const tuning::ChannelLocator& channel) override { tuned_.push_back(channel); }
  void ShowError(const char* text) override { errors_.push_back(text); }
  void OpenSetTimer(const recording::TimerForm&) override {}
  void CloseGuide() override {}

  recording::TimerList timers_;
  std::unique_ptr<FixedClock> clock_;
  std::unique_ptr<GuideController> guide_;
  bool recording_ = false;
  std::vector<tuning::ChannelLocator> tuned_;
  std::vector<std::string> errors_;
};

TEST_F(GuideControllerTest, WeeklyRecordingAfterLocalMidnightTakesTheLocalWeekday) {
  testsupport::ScopedTimeZone zone("CET-1CEST,M3.5.0,M10.5.0/3");
  // Saturday 00:30 in Central Europe is Friday 22:30 UTC.
  const std::int64_t start = testsupport::UtcSeconds(2026, 6, 12, 22, 30);
  AddEvent(AddChannel(7), start, 3600);
  GuideController& guide = Open(start);
  guide.RightPress(guide.Panes().back().rect.left + 1, guide.Panes().back().rect.top + 1);
  EXPECT_TRUE(guide.OnCommand(kGuideRecordWeekly));
  ASSERT_EQ(timers_.count(), 1);
  EXPECT_EQ(timers_[0].dayMask, recording::DayBit(6));
}

TEST_F(GuideControllerTest, RecordingThatConflictsIsRefusedWithTheListUnchanged) {
  AddEvent(AddChannel(7), six_, 3600, u"News");
  AddEvent(AddChannel(9), six_ + 1800, 3600, u"Film");
  GuideController& guide = Open(six_);
  guide.OnCommand(kGuideRecordOnce);
  ASSERT_EQ(timers_.count(), 1);
  guide.OnCommand(kGuideNextRow);
  guide.OnCommand(kGuideNextProgramme);  // the film, from 18:30
  guide.OnCommand(kGuideRecordOnce);
  EXPECT_EQ(timers_.count(), 1);
  EXPECT_EQ(errors_, std::vector<std::string>{"Timer conflicts with an existing timer."});
}

TEST_F(GuideControllerTest, ANoDataSpanIsNotRecorded) {
  AddEvent(AddChannel(7), six_ + 3600, 3600);
  GuideController& guide = Open(six_);
  ASSERT_TRUE(guide.Grid().SelectedEvent()->filler);
  guide.OnCommand(kGuideRecordOnce);
  EXPECT_EQ(timers_.count(), 0);
}

TEST_F(GuideControllerTest, WithoutAnyGuideTuneAndRecordDoNothing) {
  AddChannel(7);
  GuideController& guide = Open(six_);
  for (const std::uint16_t command :
       {kGuideNextRow, kGuideNextProgramme, kGuideTune, kGuideRecordOnce, kGuideRecordDaily})
    EXPECT_TRUE(guide.OnCommand(command));
  EXPECT_TRUE(tuned_.empty());
  EXPECT_EQ(timers_.count(), 0);
}

TEST_F(GuideControllerTest, TuneTakesTheChannelsOwnLocator) {
  AddEvent(AddChannel(7), six_, 3600);
  Open(six_).OnCommand(kGuideTune);
  ASSERT_EQ(tuned_.size(), 1u);
  EXPECT_EQ(tuned_[0].channelMap, channels_.First()->record.locator.channelMap);
  EXPECT_EQ(tuned_[0].key1, channels_.First()->record.locator.key1);
}

TEST_F(GuideControllerTest, TuneDoesNothingWhileRecording) {
  AddEvent(AddChannel(7), six_, 3600);
  recording_ = true;
  Open(six_).OnCommand(kGuideTune);
  EXPECT_TRUE(tuned_.empty());
}

TEST_F(GuideControllerTest, ARecordedProgrammeIsMarked) {
  AddEvent(AddChannel(7), six_, 3600);
  GuideController& guide = Open(six_);
  guide.OnCommand(kGuideRecordOnce);
  EXPECT_EQ(guide.Panes().back().labels[0].style & ui::kGlassRecording, ui::kGlassRecording);
}

}  // namespace
}  // namespace app
