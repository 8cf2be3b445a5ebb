#include "app/Startup.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "common/ErrorBox.h"

namespace {

// Notes every step in the order it is taken; the answers are the test's.
struct FakeSteps final : app::IStartupSteps {
  std::vector<std::string> steps;
  app::InstanceClaim claim = app::InstanceClaim::kFirst;
  bool shift = false;
  bool settingsOpened = true;
  bool graphsStart = true;
  bool channelsEmpty = false;
  bool forcedSettings = false;
  bool launched = false;
  std::u16string title;

  std::filesystem::path FindDataFolder(std::u16string_view) override {
    steps.push_back("folder");
    return "/data";
  }
  app::InstanceClaim ClaimInstance(std::u16string_view t, const std::filesystem::path&) override {
    steps.push_back("claim");
    title = t;
    return claim;
  }
  void SetDefaultSettings(const std::filesystem::path&) override { steps.push_back("defaults"); }
  bool ShiftHeld() override {
    steps.push_back("shift");
    return shift;
  }
  bool LoadSettings() override {
    steps.push_back("settings");
    return settingsOpened;
  }
  void EmptyBufferFolder() override { steps.push_back("buffer"); }
  void RegisterTuners() override { steps.push_back("tuners"); }
  void CreateMainWindow(std::u16string_view) override { steps.push_back("window"); }
  void AddTrayIcon() override { steps.push_back("tray"); }
  bool StartGraphs(bool force, bool launch) override {
    steps.push_back("graphs");
    forcedSettings = force;
    launched = launch;
    return graphsStart;
  }
  void MarkStartupComplete() override { steps.push_back("complete"); }
  bool ChannelListEmpty() override { return channelsEmpty; }
  void OpenChannelsDialog() override { steps.push_back("channels"); }
  int RunMessageLoop() override {
    steps.push_back("loop");
    return 7;
  }
  void WriteGuideDump() override { steps.push_back("guide"); }
  void StopGraphs() override { steps.push_back("stop"); }
  void RemoveTrayIcon() override { steps.push_back("untray"); }
};

using Steps = std::vector<std::string>;

TEST(Startup, RunsEveryStepInOrderAndReturnsTheLoopsCode) {
  FakeSteps fake;
  EXPECT_EQ(app::RunProgram({}, fake), 7);
  EXPECT_EQ(fake.steps,
            (Steps{"folder", "claim", "defaults", "shift", "settings", "buffer", "tuners", "window",
                   "tray", "graphs", "complete", "loop", "guide", "stop", "untray"}));
  EXPECT_FALSE(fake.forcedSettings);
  EXPECT_TRUE(fake.launched);
  EXPECT_EQ(fake.title, u"Corvane DVR");
}

TEST(Startup, AnotherCopyOnTheFolderEndsTheStartWithZeroBeforeTheSettingsAreRead) {
  FakeSteps fake;
  fake.claim = app::InstanceClaim::kHandedOver;
  EXPECT_EQ(app::RunProgram({}, fake), 0);
  EXPECT_EQ(fake.steps, (Steps{"folder", "claim"}));
}

TEST(Startup, ARecorderOnTheFolderIsSaidAndNothingStarts) {
  common::ErrorCapture errors;
  FakeSteps fake;
  fake.claim = app::InstanceClaim::kRefused;
  EXPECT_EQ(app::RunProgram({}, fake), 0);
  EXPECT_EQ(fake.steps, (Steps{"folder", "claim"}));
  ASSERT_EQ(errors.Messages().size(), 1u);
  EXPECT_NE(errors.Messages()[0].find("corvane-cli daemon"), std::string::npos);
}

TEST(Startup, TheInstanceNameIsInTheTitle) {
  FakeSteps fake;
  app::CommandLineOptions options;
  options.instanceName = u"Bedroom";
  app::RunProgram(options, fake);
  EXPECT_EQ(fake.title, u"Corvane DVR (Bedroom)");
}

TEST(Startup, ARefusedInstanceNameIsSaidAndNothingStarts) {
  common::ErrorCapture errors;
  FakeSteps fake;
  app::CommandLineOptions options;
  options.refusedInstanceName = u"..";
  EXPECT_EQ(app::RunProgram(options, fake), 0);
  EXPECT_TRUE(fake.steps.empty());
  ASSERT_EQ(errors.Messages().size(), 1u);
  EXPECT_NE(errors.Messages()[0].find("\"..\""), std::string::npos);
}

TEST(Startup, TheSettingsDialogIsForcedByAMissingFileShiftOrTheOption) {
  for (int cause = 0; cause < 3; ++cause) {
    FakeSteps fake;
    app::CommandLineOptions options;
    fake.settingsOpened = cause != 0;
    fake.shift = cause == 1;
    options.showSettings = cause == 2;
    app::RunProgram(options, fake);
    EXPECT_TRUE(fake.forcedSettings) << "cause " << cause;
  }
}

TEST(Startup, NoLaunchStartsTheGraphsWithoutLaunching) {
  FakeSteps fake;
  app::CommandLineOptions options;
  options.launch = false;
  app::RunProgram(options, fake);
  EXPECT_FALSE(fake.launched);
}

TEST(Startup, AnAbandonedStartRemovesTheTrayIconAndEndsWithoutTheLoop) {
  FakeSteps fake;
  fake.graphsStart = false;
  EXPECT_EQ(app::RunProgram({}, fake), 0);
  EXPECT_EQ(fake.steps, (Steps{"folder", "claim", "defaults", "shift", "settings", "buffer",
                               "tuners", "window", "tray", "graphs", "untray", "stop"}));
}

TEST(Startup, AnEmptyChannelListOpensTheChannelsDialogAfterStartUpIsComplete) {
  FakeSteps fake;
  fake.channelsEmpty = true;
  app::RunProgram({}, fake);
  const Steps tail(fake.steps.begin() + 10, fake.steps.begin() + 13);
  EXPECT_EQ(tail, (Steps{"complete", "channels", "loop"}));
}

}  // namespace
