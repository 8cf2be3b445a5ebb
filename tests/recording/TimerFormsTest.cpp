#include "recording/TimerForms.h"

#include <gtest/gtest.h>

#include "common/TimeBase.h"
#include "common/Utf16.h"
#include "tests/recording/SchedulerFakes.h"
#include "tests/support/TimeZone.h"

namespace recording {
namespace {

class TimerFormsTest : public ::testing::Test {
 protected:
  static std::int64_t Wall(int year, int month, int day, int hour, int minute) {
    return testsupport::UtcSeconds(year, month, day, hour, minute);
  }

  // A once timer through the dialog; its identity.
  GUID AddOnce(std::int64_t wallStart, std::uint32_t duration, std::u16string name = u"News") {
    TimerForm form;
    form.channel = tuning::ChannelLocator::Make(7, 1, 7, 0, 1);
    form.start = wallStart;
    form.duration = duration;
    form.name = std::move(name);
    EXPECT_EQ(SaveTimerForm(timers_, std::nullopt, form, clock_, 1), TimerFormResult::kAdded);
    return timers_[timers_.count() - 1].identity;
  }

  testsupport::ScopedTimeZone zone_{"EST5EDT,M3.2.0,M11.1.0"};
  testing::FakeClock clock_{common::UtcFromWallClock(Wall(2026, 6, 10, 19, 10))};
  TimerList timers_;
  const std::int64_t eight_ = Wall(2026, 6, 10, 20, 0);
};

TEST_F(TimerFormsTest, EditingOverwritesInPlaceWithoutAConflictTest) {
  AddOnce(eight_, 3600);
  const GUID second = AddOnce(eight_ + 3600, 3600);
  TimerForm form = FormOfTimer(timers_[1], clock_);
  form.start = eight_ + 1800;  // now overlaps the first on one tuner
  form.duration = 2700;
  EXPECT_EQ(SaveTimerForm(timers_, second, form, clock_, 1), TimerFormResult::kSaved);
  ASSERT_EQ(timers_.count(), 2);
  EXPECT_EQ(timers_[1].identity, second);
  EXPECT_EQ(timers_[1].start, common::UtcFromWallClock(eight_ + 1800));
  EXPECT_EQ(timers_[1].end, timers_[1].start + 2700);
  EXPECT_EQ(timers_[1].wallClockStart, eight_ + 1800);
}

TEST_F(TimerFormsTest, ADurationOfNothingOrMoreThanADayIsInvalid) {
  TimerForm form = NewTimerForm(tuning::ChannelLocator::Make(9, 1, 9, 0, 1), clock_);
  for (const std::uint32_t duration : {0u, 86401u}) {
    form.duration = duration;
    EXPECT_EQ(SaveTimerForm(timers_, std::nullopt, form, clock_, 1),
              TimerFormResult::kInvalidDuration);
  }
  form.duration = 86400;
  EXPECT_EQ(SaveTimerForm(timers_, std::nullopt, form, clock_, 1), TimerFormResult::kAdded);
}

TEST_F(TimerFormsTest, AWeeklyTimerNeedsADay) {
  TimerForm form = NewTimerForm(tuning::ChannelLocator::Make(9, 1, 9, 0, 1), clock_);
  form.repeatKind = RepeatKind::kWeekly;
  form.dayMask = 0;
  EXPECT_EQ(SaveTimerForm(timers_, std::nullopt, form, clock_, 1), TimerFormResult::kNoDayChecked);
  EXPECT_EQ(timers_.count(), 0);
}

TEST_F(TimerFormsTest, NewStartsOnTheCurrentChannelAtTheNextHour) {
  const auto current = tuning::ChannelLocator::Make(9, 2, 9, 0, 1);
  const TimerForm form = NewTimerForm(current, clock_);
  EXPECT_EQ(form.channel.key1, current.key1);
  EXPECT_EQ(form.channel.key2, current.key2);
  EXPECT_EQ(form.start, eight_);
  EXPECT_EQ(form.duration, 3600u);
  EXPECT_EQ(form.name, u"Timer Record");
}

TEST_F(TimerFormsTest, TheChannelBoxListsTheEnabledChannelsAndSelectsTheTimers) {
  tuning::ChannelList channels;
  for (const std::uint16_t minor : {1, 2, 3}) {
    tuning::ChannelRecord record;
    record.locator = tuning::ChannelLocator::Make(7, minor, 7, 0, 1);
    record.enabled = minor != 2;
    common::SetField(record.name, u"WABC");
    channels.InsertSorted(record);
  }
  const auto choices = ChannelChoices(channels);
  ASSERT_EQ(choices.size(), 2u);
  EXPECT_EQ(choices[1].text, "7.3 WABC");
  EXPECT_EQ(ChoiceOf(choices, tuning::ChannelLocator::Make(7, 3, 7, 5, 9)), 1);
  EXPECT_EQ(ChoiceOf(choices, tuning::ChannelLocator::Make(7, 2, 7, 0, 1)), -1);
}

TEST_F(TimerFormsTest, DeleteAllRemovesFromTheLastTimerToTheFirst) {
  for (const char16_t* name : {u"A", u"B", u"C"})
    AddOnce(eight_ + 3600 * (name[0] - u'A'), 600, name);
  std::u16string order;
  timers_.SetStopRecordingHook([&order](TimerRecord& t) { order += t.name[0]; });
  for (int i = 0; i < timers_.count(); ++i)
    timers_[i].graphLink = 1;
  TimersDialogModel dialog(timers_);
  dialog.DeleteAll();
  EXPECT_EQ(order, u"CBA");
  EXPECT_TRUE(dialog.Rows().empty());
}

TEST_F(TimerFormsTest, TheDialogActsOnTheTimerItShowsAfterTheListMoved) {
  const GUID a = AddOnce(eight_, 600, u"A");
  const GUID b = AddOnce(eight_ + 3600, 600, u"B");
  AddOnce(eight_ + 7200, 600, u"C");
  TimersDialogModel dialog(timers_);
  timers_.RemoveByIdentity(a);  // the tick removed an ended timer meanwhile
  EXPECT_TRUE(dialog.Rebuild());
  EXPECT_TRUE(dialog.Delete(b));
  ASSERT_EQ(timers_.count(), 1);
  EXPECT_EQ(timers_[0].name[0], u'C');
  EXPECT_FALSE(dialog.Delete(b));
}

TEST_F(TimerFormsTest, GuideGridCommandsMakeTheirRepeatKinds) {
  const auto channel = tuning::ChannelLocator::Make(9, 1, 9, 0, 1);
  const std::int64_t start = common::UtcFromWallClock(eight_);  // a Wednesday
  struct Case {
    GridRecordKind kind;
    RepeatKind repeat;
    std::uint8_t mask;
  };
  const Case cases[] = {{GridRecordKind::kRecord, RepeatKind::kOnce, DayBit(3)},
                        {GridRecordKind::kDaily, RepeatKind::kWeekly, 0x7F},
                        {GridRecordKind::kWeekly, RepeatKind::kWeekly, DayBit(3)},
                        {GridRecordKind::kMondayToFriday, RepeatKind::kWeekly, 0x3E}};
  for (const Case& c : cases) {
    timers_.Clear();
    ASSERT_EQ(AddGuideTimer(timers_, c.kind, channel, start, 1800, u"News", clock_, 1),
              AddTimerResult::kAdded);
    EXPECT_EQ(timers_[0].repeatKind, c.repeat);
    EXPECT_EQ(timers_[0].dayMask, c.mask);
    EXPECT_EQ(timers_[0].wallClockStart, eight_);
  }
}

}  // namespace
}  // namespace recording
