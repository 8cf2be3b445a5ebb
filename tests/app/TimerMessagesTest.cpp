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

}  // namespace
}  // namespace app
