#include <gtest/gtest.h>

#include "platform/ui/TrayIcon.h"
#include "tests/ui/UiTestApplication.h"

namespace {

TEST(TrayIcon, BlinksEachRefreshWhileRecordingAndRestsOtherwise) {
  uitest::RecordingWindow window;
  ui::TrayIcon icon(window.Id(), "Corvane DVR");
  std::vector<bool> frames;
  for (const bool recording : {true, true, true, false, false, true}) {
    icon.Refresh("Corvane DVR", recording);
    frames.push_back(icon.RecordingFrameShown());
  }
  EXPECT_EQ(frames, (std::vector<bool>{true, false, true, false, false, true}));
}

}  // namespace
