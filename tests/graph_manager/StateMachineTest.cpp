#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "graph/manager/GraphStateMachine.h"
#include "tests/graph_manager/FakeGraphSteps.h"

namespace graph::test {
namespace {

struct Machine {
  FakeGraphSteps steps;
  GraphStateMachine machine{steps};

  // Brings the machine to `state` along a path of rows that succeed.
  void Reach(int state) {
    const std::vector<std::vector<int>> paths = {{3, 3},   {16, 16},     {17, 17},
                                                 {32, 32}, {34, 34},     {35, 34, 35},
                                                 {48, 48}, {50, 48, 50}, {51, 48, 51}};
    for (const auto& path : paths) {
      if (path[0] != state) continue;
      for (std::size_t i = 1; i < path.size(); ++i)
        Request(path[i]);
    }
    ASSERT_EQ(machine.Current(), state);
    steps.log.clear();
  }
  HRESULT Request(int target) {
    return machine.RequestGraphState(static_cast<std::uint8_t>(target & 0x30),
                                     static_cast<std::uint8_t>(target & 0x0F));
  }
};

struct Row {
  int from;
  int to;
  const char* steps;
  int reached;
};

// Every row with all its steps succeeding: the steps in order and the state.
TEST(GraphStateMachine, RowsRunTheirStepsInOrder) {
  const Row rows[] = {
      {0, 3, "BuildPlayer3 RunPlayer", 3},
      {0, 16, "BuildTuner16 RunTuner", 16},
      {0, 17, "BuildTuner16 BuildPlayer1 RunTuner", 17},
      {0, 32, "BuildTuner32 RunTuner", 32},
      {0, 34, "BuildTuner32 BuildPlayer2 RunTuner RunPlayer", 34},
      {0, 48, "BuildTuner32 RunTuner StartRecording", 48},
      {3, 0, "StopPlayer TearDownPlayer", 0},
      {3, 3, "StopPlayer TearDownPlayer BuildPlayer3 RunPlayer", 3},
      {3, 34, "StopPlayer TearDownPlayer BuildTuner32 BuildPlayer2 RunTuner RunPlayer", 34},
      {3, 51, "BuildTuner32 RunTuner StartRecording", 51},
      {16, 0, "StopTuner TearDownTuner", 0},
      {16, 3, "StopPlayer TearDownPlayer StopTuner TearDownTuner BuildPlayer3 RunPlayer", 3},
      {16, 34, "StopTuner TearDownTuner BuildTuner32 BuildPlayer2 RunTuner RunPlayer", 34},
      {16, 48, "StopTuner TearDownTuner BuildTuner32 RunTuner StartRecording", 48},
      {17, 0, "StopTuner TearDownPlayer TearDownTuner", 0},
      {32, 0, "StopTuner TearDownTuner", 0},
      {32, 3, "StopPlayer TearDownPlayer StopTuner TearDownTuner BuildPlayer3 RunPlayer", 3},
      {32, 34, "BuildPlayer2 RunPlayer", 34},
      {34, 0, "StopPlayer TearDownPlayer StopTuner TearDownTuner", 0},
      {34, 2, "", 34},
      {34, 16, "", 34},
      {34, 19, "", 34},
      {34, 3, "StopPlayer TearDownPlayer StopTuner TearDownTuner BuildPlayer3 RunPlayer", 3},
      {34, 32, "StopPlayer TearDownPlayer", 32},
      {34, 35, "StopPlayer TearDownPlayer BuildPlayer3 RunPlayer", 35},
      {34, 50, "StartRecording", 50},
      {35, 0, "StopPlayer TearDownPlayer StopTuner TearDownTuner", 0},
      {35, 3, "StopPlayer TearDownPlayer StopTuner TearDownTuner BuildPlayer3 RunPlayer", 3},
      {35, 17, "", 35},
      {35, 18, "StopPlayer TearDownPlayer BuildPlayer2 RunPlayer", 34},
      {35, 34, "StopPlayer TearDownPlayer BuildPlayer2 RunPlayer", 34},
      {35, 19, "StopPlayer TearDownPlayer BuildPlayer3 RunPlayer", 35},
      {35, 32, "StopPlayer TearDownPlayer", 32},
      {35, 35, "StopPlayer TearDownPlayer BuildPlayer3 RunPlayer", 35},
      {35, 51, "StartRecording", 51},
      {48, 0, "StopRecording StopTuner TearDownTuner", 0},
      {48, 32, "StopRecording", 32},
      {48, 50, "BuildPlayer2 RunPlayer", 50},
      {48, 51, "BuildPlayer3 RunPlayer", 51},
      {50, 0, "StopPlayer TearDownPlayer StopRecording StopTuner TearDownTuner", 0},
      {50, 34, "StopRecording", 34},
      {50, 48, "StopPlayer TearDownPlayer", 48},
      {50, 51, "StopPlayer TearDownPlayer BuildPlayer3 RunPlayer", 51},
      {51, 0, "StopPlayer TearDownPlayer StopRecording StopTuner TearDownTuner", 0},
      {51, 3, "StopRecording StopTuner TearDownTuner", 3},
      {51, 16, "", 51},
      {51, 50, "StopPlayer TearDownPlayer BuildPlayer2 RunPlayer", 50},
      {51, 34, "StopRecording StopPlayer TearDownPlayer BuildPlayer2 RunPlayer", 34},
      {51, 35, "StopRecording StopPlayer TearDownPlayer BuildPlayer3 RunPlayer", 35},
      {51, 32, "StopRecording StopPlayer TearDownPlayer", 32},
      {51, 48, "StopPlayer TearDownPlayer", 48},
      {51, 51, "StopPlayer TearDownPlayer BuildPlayer3 RunPlayer", 51},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(std::to_string(row.from) + " -> " + std::to_string(row.to));
    Machine m;
    m.Reach(row.from);
    EXPECT_EQ(m.Request(row.to), S_OK);
    EXPECT_EQ(m.steps.log, row.steps);
    EXPECT_EQ(m.machine.Current(), row.reached);
  }
}

// A recording that ends on its own (its file takes no more) stops, and the
// player stays as it was.
TEST(GraphStateMachine, EndRecordingStopsTheRecordingOnly) {
  const Row rows[] = {{48, 0, "StopRecording", 32},
                      {50, 0, "StopRecording", 34},
                      {51, 0, "StopRecording", 35},
                      {34, 0, "", 34}};
  for (const Row& row : rows) {
    SCOPED_TRACE(row.from);
    Machine m;
    m.Reach(row.from);
    EXPECT_EQ(SUCCEEDED(m.machine.EndRecording()), row.from >= 48);
    EXPECT_EQ(m.steps.log, row.steps);
    EXPECT_EQ(m.machine.Current(), row.reached);
  }
}

TEST(GraphStateMachine, TheCurrentStateAnswersOneAndDoesNothing) {
  for (int state : {0, 16, 17, 34}) {
    Machine m;
    m.Reach(state);
    EXPECT_EQ(m.Request(state), S_FALSE) << state;
    EXPECT_EQ(m.steps.log, "") << state;
  }
}

TEST(GraphStateMachine, UnlistedTargetsFailWithoutAStep) {
  const Row refused[] = {{32, 17, "", 32}, {0, 35, "", 0},   {3, 16, "", 3},
                         {17, 34, "", 17}, {48, 34, "", 48}, {50, 3, "", 50}};
  for (const Row& row : refused) {
    Machine m;
    m.Reach(row.from);
    EXPECT_LT(m.Request(row.to), 0) << row.from << " -> " << row.to;
    EXPECT_EQ(m.steps.log, "");
    EXPECT_EQ(m.machine.Current(), row.from);
  }
}

// Failures undo what the row built before them.
TEST(GraphStateMachine, FailuresUndoTheRow) {
  struct Case {
    int from;
    int to;
    const char* failing;
    const char* steps;
    int reached;
  };
  const Case cases[] = {
      {0, 34, "BuildPlayer2", "BuildTuner32 BuildPlayer2 TearDownTuner", 0},
      {0, 34, "RunTuner", "BuildTuner32 BuildPlayer2 RunTuner TearDownPlayer TearDownTuner", 0},
      {0, 34, "RunPlayer",
       "BuildTuner32 BuildPlayer2 RunTuner RunPlayer StopTuner TearDownPlayer TearDownTuner", 0},
      {0, 17, "BuildPlayer1", "BuildTuner16 BuildPlayer1 TearDownTuner", 0},
      {0, 48, "StartRecording", "BuildTuner32 RunTuner StartRecording StopTuner TearDownTuner", 0},
      {0, 32, "RunTuner", "BuildTuner32 RunTuner TearDownTuner", 0},
      {34, 50, "StartRecording", "StartRecording", 34},
      {34, 35, "BuildPlayer3", "StopPlayer TearDownPlayer BuildPlayer3", 32},
      {3, 51, "StartRecording", "BuildTuner32 RunTuner StartRecording StopTuner TearDownTuner", 3},
      {48, 32, "StopRecording", "StopRecording", 48},
      {51, 32, "StopRecording", "StopRecording", 51},
      {35, 34, "RunPlayer", "StopPlayer TearDownPlayer BuildPlayer2 RunPlayer TearDownPlayer", 32},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::to_string(c.from) + " -> " + std::to_string(c.to) + " failing " + c.failing);
    Machine m;
    m.Reach(c.from);
    m.steps.failing.insert(c.failing);
    EXPECT_LT(m.Request(c.to), 0);
    EXPECT_EQ(m.steps.log, c.steps);
    EXPECT_EQ(m.machine.Current(), c.reached);
  }
}

// Leaving a recording goes on when the recording will not stop, so a stuck
// recording never holds the graph for ever.
TEST(GraphStateMachine, EndingAllIgnoresAFailedRecordingStop) {
  Machine m;
  m.Reach(48);
  m.steps.failing.insert("StopRecording");
  EXPECT_EQ(m.Request(0), S_OK);
  EXPECT_EQ(m.machine.Current(), 0);
}

}  // namespace
}  // namespace graph::test
