#include "app/GraphStart.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "common/ErrorBox.h"
#include "common/Utf16.h"

namespace {

struct FakeGraphs final : app::IGraphStartSteps {
  // One answer per attempt; the last repeats.
  std::vector<bool> dialogOk{true};
  std::vector<int> graphsMade{1};
  std::vector<std::int32_t> startResult{0};
  int dialogs = 0;
  int attempts = 0;
  int graphs = 0;
  std::vector<std::string> steps;

  template <typename T>
  static T Pick(const std::vector<T>& answers, int i) {
    return answers[std::min<std::size_t>(i, answers.size() - 1)];
  }
  bool ShowSettingsDialog() override {
    steps.push_back("dialog");
    return Pick(dialogOk, dialogs++);
  }
  void KeepCurrentChannel() override { steps.push_back("keep"); }
  void DestroyGraphs() override {
    steps.push_back("destroy");
    graphs = 0;
  }
  int CreateGraphs() override {
    steps.push_back("create");
    graphs = Pick(graphsMade, attempts++);
    return graphs;
  }
  std::int32_t StartFirstGraph(std::uint8_t, std::uint8_t) override {
    steps.push_back("start");
    return Pick(startResult, attempts - 1);
  }
};

struct GraphStart : testing::Test {
  GraphStart() {
    common::SetField(manager.videoDecoder, u"video");
    common::SetField(manager.audioDecoder, u"audio");
  }
  app::TunerManager manager;
  FakeGraphs fake;
  common::ErrorCapture errors;
};

using Steps = std::vector<std::string>;

TEST_F(GraphStart, StartsWithoutTheDialogWhenNotForced) {
  EXPECT_TRUE(app::StartGraphs(fake, manager, false, 32, 2));
  EXPECT_EQ(fake.steps, (Steps{"keep", "destroy", "create", "start"}));
  EXPECT_TRUE(errors.Messages().empty());
}

TEST_F(GraphStart, ACancelledDialogLeavesNoGraph) {
  fake.dialogOk = {false};
  EXPECT_FALSE(app::StartGraphs(fake, manager, true, 32, 2));
  EXPECT_EQ(fake.steps, (Steps{"dialog", "destroy"}));
  EXPECT_EQ(fake.graphs, 0);
}

TEST_F(GraphStart, NoTunerSaysSoAndForcesTheDialogUntilItIsCancelled) {
  fake.graphsMade = {0};
  fake.dialogOk = {true, false};
  EXPECT_FALSE(app::StartGraphs(fake, manager, false, 32, 2));
  EXPECT_EQ(errors.Messages(), (Steps{app::kNoTunerSelected, app::kNoTunerSelected}));
  EXPECT_EQ(fake.dialogs, 2);
  EXPECT_EQ(fake.graphs, 0);
}

TEST_F(GraphStart, MissingDecodersAreNamedVideoFirst) {
  manager.videoDecoder[0] = 0;
  manager.audioDecoder[0] = 0;
  fake.dialogOk = {false};
  app::StartGraphs(fake, manager, false, 32, 2);
  EXPECT_EQ(errors.Messages(), (Steps{app::kNoVideoDecoder}));
  common::SetField(manager.videoDecoder, u"video");
  errors.Clear();
  app::StartGraphs(fake, manager, false, 32, 2);
  EXPECT_EQ(errors.Messages(), (Steps{app::kNoAudioDecoder}));
}

TEST_F(GraphStart, AFailedStartSaysSoOnceAndTriesAgainAfterTheDialog) {
  fake.startResult = {-1, 0};
  EXPECT_TRUE(app::StartGraphs(fake, manager, false, 32, 2));
  EXPECT_EQ(
      errors.Messages(),
      (Steps{"Corvane DVR failed to start using current\nsettings.  Please update settings."}));
  EXPECT_EQ(fake.dialogs, 1);
}

}  // namespace
