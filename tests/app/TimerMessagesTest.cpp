// The boxes the user sees for a timer the list refused.
#include <gtest/gtest.h>

#include "app/TimerMessages.h"
#include "common/ErrorBox.h"

namespace app {
namespace {

using recording::AddTimerResult;

TEST(TimerMessages, ARefusedTimerRaisesItsErrorBox) {
  common::ErrorCapture errors;
  EXPECT_FALSE(ReportAddTimer(AddTimerResult::kListFull));
  EXPECT_FALSE(ReportAddTimer(AddTimerResult::kConflict));
  EXPECT_EQ(errors.Messages(),
            (std::vector<std::string>{"Can not add timer, timer list is full.",
                                      "Timer conflicts with an existing timer."}));
  EXPECT_EQ(errors.Captions(), (std::vector<std::string>{"Error!", "Error!"}));
}

TEST(TimerMessages, AnAddedTimerRaisesNothing) {
  common::ErrorCapture errors;
  EXPECT_TRUE(ReportAddTimer(AddTimerResult::kAdded));
  EXPECT_TRUE(errors.Messages().empty());
}

TEST(TimerMessages, AnInputErrorKeepsTheSetTimerDialogOpen) {
  using recording::TimerFormResult;
  common::ErrorCapture errors;
  EXPECT_FALSE(ReportTimerForm(TimerFormResult::kInvalidDuration));
  EXPECT_FALSE(ReportTimerForm(TimerFormResult::kNoDayChecked));
  EXPECT_TRUE(ReportTimerForm(TimerFormResult::kConflict));  // closes either way
  EXPECT_TRUE(ReportTimerForm(TimerFormResult::kSaved));
  EXPECT_EQ(errors.Messages(),
            (std::vector<std::string>{"Invalid duration.",
                                      "Weekly timers must have at least one day checked.",
                                      "Timer conflicts with an existing timer."}));
}

}  // namespace
}  // namespace app
