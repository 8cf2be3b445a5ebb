// corvane-dvr shows live video on a scanned channel: the picture decoded by
// the player reaches the renderer, whose size-change event comes to the main
// window's player-graph handler.
#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "tests/dvr/ProgramRun.h"
#include "tests/support/TempFolder.h"
#include "tests/support/Wait.h"

namespace {

TEST(LiveViewingProcess, TheDecodedPictureReachesTheMainWindowsPlayer) {
  testsupport::TempFolder home;
  const auto scan = dvrtest::RunCli(home.Path(), "scan");
  ASSERT_EQ(scan.status, 0) << scan.output;

  dvrtest::ProgramRun run(home.Path(), {});
  ASSERT_TRUE(run.WaitStarted());
  std::this_thread::sleep_for(std::chrono::seconds(8));
  run.Terminate();
  ASSERT_EQ(run.WaitExit(30'000), 0) << run.Err();
  EXPECT_NE(run.Out().find("source graph event code: EC_VIDEO_SIZE_CHANGED"), std::string::npos)
      << run.Out() << run.Err();
}

}  // namespace
