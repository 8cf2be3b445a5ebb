#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/PickerTexts.h"
#include "app/SetTimerDialog.h"
#include "app/TimersDialog.h"
#include "common/ErrorBox.h"
#include "common/TimeBase.h"
#include "common/Utf16.h"
#include "tests/recording/SchedulerFakes.h"
#include "tests/support/FakeDialog.h"
#include "tests/support/TimeZone.h"

namespace app {
namespace {

using recording::RepeatKind;
using recording::TimerForm;
using testsupport::FakeDialog;

class TimerDialogsTest : public ::testing::Test {
 protected:
  // A once timer at `hour` on 2026-06-10 (a Wednesday), wall clock; its identity.
  GUID AddOnce(int hour, std::uint32_t duration, std::u16string name) {
    const std::int64_t wall = testsupport::UtcSeconds(2026, 6, 10, hour, 0);
    const auto start = static_cast<std::uint32_t>(common::UtcFromWallClock(wall));
    EXPECT_EQ(timers_.AddTimer(channel_, start, start + duration, name, RepeatKind::kOnce, 0, wall,
                               duration, 1),
              recording::AddTimerResult::kAdded);
    return timers_[timers_.count() - 1].identity;
  }

  // "Set Timer" over the timer `editing` names, or over a new timer.
  SetTimerDialog SetTimer(const std::optional<GUID>& editing) {
    const int i = editing ? recording::FindTimer(timers_, *editing) : -1;
    TimerForm form = i >= 0 ? recording::FormOfTimer(timers_[i], clock_)
                            : recording::NewTimerForm(channel_, clock_);
    return SetTimerDialog({timers_, {{channel_, "7.1 WABC"}}, clock_, 1}, editing, form);
  }

  std::vector<std::string> Names() const {
    std::vector<std::string> names;
    for (const recording::TimerRecord& t : timers_)
      names.push_back(common::ToUtf8(common::FieldView(t.name)));
    return names;
  }

  testsupport::ScopedTimeZone zone_{"EST5EDT,M3.2.0,M11.1.0"};
  recording::testing::FakeClock clock_{
      common::UtcFromWallClock(testsupport::UtcSeconds(2026, 6, 10, 19, 10))};
  recording::TimerList timers_;
  const tuning::ChannelLocator channel_ = tuning::ChannelLocator::Make(7, 1, 7, 0, 1);
  common::ErrorCapture errors_;
};

TEST_F(TimerDialogsTest, PickerTextsReadBackWhatTheyShow) {
  const std::int64_t wall = testsupport::UtcSeconds(2026, 12, 8, 0, 5);
  EXPECT_EQ(StartPickerText(wall), "2026/12/08 12:05 AM");
  EXPECT_EQ(StartFromPickerText(StartPickerText(wall)), wall);
  EXPECT_EQ(StartFromPickerText(StartPickerText(wall + 12 * 3600 + 59)), wall + 12 * 3600);
  EXPECT_EQ(StartFromPickerText("2026/02/30 01:00 PM"), std::nullopt);
  EXPECT_EQ(DurationPickerText(5400), "01:30");
  EXPECT_EQ(DurationFromPickerText("01:30"), 5400u);
}

TEST_F(TimerDialogsTest, SetTimerShowsTheTimerWithTheDaysOnlyForWeekly) {
  const GUID id = AddOnce(20, 5400, u"News");
  SetTimerDialog handler = SetTimer(id);
  FakeDialog dialog(SetTimerDialog::Layout(), handler);
  dialog.Init();
  EXPECT_EQ(dialog.Text(kTimerStart), "2026/06/10 08:00 PM");
  EXPECT_EQ(dialog.Text(kTimerDuration), "01:30");
  EXPECT_EQ(dialog.Text(kTimerChannel), "7.1 WABC");
  EXPECT_EQ(dialog.Text(kTimerName), "News");
  EXPECT_FALSE(dialog.Enabled(kTimerSunday + 3));
  dialog.Choose(kTimerRepeat, kRepeatWeekly);
  EXPECT_TRUE(dialog.Enabled(kTimerSunday + 3));
}

TEST_F(TimerDialogsTest, AZeroDurationIsRefusedAndTheDialogStaysOpen) {
  SetTimerDialog handler = SetTimer(std::nullopt);
  FakeDialog dialog(SetTimerDialog::Layout(), handler);
  dialog.Init();
  dialog.Type(kTimerDuration, "00:00");
  dialog.Click(ui::kIdOk);
  EXPECT_EQ(errors_.Messages(), std::vector<std::string>{"Invalid duration."});
  EXPECT_TRUE(dialog.IsOpen());
  EXPECT_EQ(timers_.count(), 0);
}

TEST_F(TimerDialogsTest, AWeeklyTimerWithoutADayIsRefusedAndTheDialogStaysOpen) {
  SetTimerDialog handler = SetTimer(std::nullopt);
  FakeDialog dialog(SetTimerDialog::Layout(), handler);
  dialog.Init();
  dialog.Choose(kTimerRepeat, kRepeatWeekly);
  for (int day = 0; day < 7; ++day) {
    if (dialog.Checked(kTimerSunday + day)) dialog.Click(kTimerSunday + day);
  }
  dialog.Click(ui::kIdOk);
  EXPECT_EQ(errors_.Messages(),
            std::vector<std::string>{"Weekly timers must have at least one day checked."});
  EXPECT_TRUE(dialog.IsOpen());
  EXPECT_EQ(timers_.count(), 0);
}

TEST_F(TimerDialogsTest, EditingNeverReportsAConflict) {
  AddOnce(20, 3600, u"First");
  const GUID second = AddOnce(21, 3600, u"Second");
  SetTimerDialog handler = SetTimer(second);
  FakeDialog dialog(SetTimerDialog::Layout(), handler);
  dialog.Init();
  dialog.Type(kTimerStart, "2026/06/10 08:30 PM");  // overlaps "First" on the one tuner
  dialog.Click(ui::kIdOk);
  EXPECT_TRUE(errors_.Messages().empty());
  EXPECT_EQ(dialog.Result(), ui::DialogResult::Ok);
  EXPECT_EQ(timers_[1].wallClockStart, testsupport::UtcSeconds(2026, 6, 10, 20, 30));
  EXPECT_EQ(timers_[1].end - timers_[1].start, 3600u);
}

TEST_F(TimerDialogsTest, ANewTimerThatConflictsIsReportedAndTheDialogCloses) {
  AddOnce(20, 3600, u"First");
  SetTimerDialog handler = SetTimer(std::nullopt);  // 20:00, as the next whole hour
  FakeDialog dialog(SetTimerDialog::Layout(), handler);
  dialog.Init();
  dialog.Click(ui::kIdOk);
  EXPECT_EQ(errors_.Messages(),
            std::vector<std::string>{"Timer conflicts with an existing timer."});
  EXPECT_FALSE(dialog.IsOpen());
  EXPECT_EQ(timers_.count(), 1);
}

TEST_F(TimerDialogsTest, DeleteAllStopsAndRemovesFromTheLastTimerToTheFirst) {
  for (const char16_t* name : {u"A", u"B", u"C"})
    AddOnce(20 + (name[0] - u'A'), 600, name);
  std::string stopped;
  timers_.SetStopRecordingHook([&](recording::TimerRecord& t) {
    stopped += static_cast<char>(t.name[0]);
    EXPECT_EQ(recording::FindTimer(timers_, t.identity), timers_.count() - 1);
  });
  for (int i = 0; i < timers_.count(); ++i)
    timers_[i].graphLink = 1;
  TimersDialog handler(timers_, [](const std::optional<GUID>&) {});
  FakeDialog dialog(TimersDialog::Layout(), handler);
  dialog.Init();
  dialog.Click(kTimersDeleteAll);
  EXPECT_EQ(stopped, "CBA");
  EXPECT_EQ(dialog.ItemCount(kTimersList), 0);
}

// The tick removes an ended timer while the list shows it: the buttons act on
// the timer the user selected, and the list follows the timers.
TEST_F(TimerDialogsTest, ButtonsActOnTheSelectedTimerAfterTheTickRemovedOne) {
  const GUID a = AddOnce(20, 600, u"A");
  AddOnce(21, 600, u"B");
  AddOnce(22, 600, u"C");
  std::vector<std::optional<GUID>> edited;
  TimersDialog handler(timers_, [&](const std::optional<GUID>& id) { edited.push_back(id); });
  FakeDialog dialog(TimersDialog::Layout(), handler);
  dialog.Init();
  dialog.Choose(kTimersList, 1);
  timers_.RemoveByIdentity(a);
  dialog.Click(kTimersEdit);
  ASSERT_EQ(edited.size(), 1u);
  EXPECT_EQ(timers_[recording::FindTimer(timers_, edited[0].value())].name[0], u'B');
  EXPECT_EQ(dialog.Selection(kTimersList), 0);
  dialog.Click(kTimersDelete);
  EXPECT_EQ(Names(), std::vector<std::string>{"C"});
}

TEST_F(TimerDialogsTest, TheListFollowsTimersRemovedWhileItIsOpen) {
  const GUID a = AddOnce(20, 600, u"A");
  AddOnce(21, 600, u"B");
  TimersDialog handler(timers_, [](const std::optional<GUID>&) {});
  FakeDialog dialog(TimersDialog::Layout(), handler);
  dialog.Init();
  timers_.RemoveByIdentity(a);
  dialog.Choose(kTimersList, 1);
  ASSERT_EQ(dialog.ItemCount(kTimersList), 1);
  EXPECT_EQ(dialog.ItemText(kTimersList, 0), recording::TimerText(timers_[0]));
  EXPECT_EQ(dialog.Selection(kTimersList), 0);
}

// The one-second refresh follows the scheduler's removals without a click, and
// keeps the user's selection on its timer.
TEST_F(TimerDialogsTest, TheListFollowsTheTimersEverySecond) {
  const GUID a = AddOnce(20, 600, u"A");
  AddOnce(21, 600, u"B");
  TimersDialog handler(timers_, [](const std::optional<GUID>&) {});
  FakeDialog dialog(TimersDialog::Layout(), handler);
  dialog.Init();
  ASSERT_EQ(dialog.Timers().at(kTimersRefreshTimer), 1000);
  dialog.Choose(kTimersList, 1);
  timers_.RemoveByIdentity(a);
  ASSERT_TRUE(dialog.FireTimer(kTimersRefreshTimer));
  ASSERT_EQ(dialog.ItemCount(kTimersList), 1);
  EXPECT_EQ(dialog.ItemText(kTimersList, 0), recording::TimerText(timers_[0]));
  EXPECT_EQ(dialog.Selection(kTimersList), 0);
}

}  // namespace
}  // namespace app
