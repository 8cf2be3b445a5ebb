// The graph-event handlers: queue order, names, and what each event does.
#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "common/ErrorBox.h"
#include "filters/dump/Dump.h"
#include "graph/player/GraphEvents.h"
#include "platform/com/ClassFactory.h"
#include "platform/media/MediaGuids.h"
#include "tests/player/PlayerFixture.h"

namespace player::test {
namespace {

// Records what the handlers ask for, in order.
class RecordedActions : public graph::IGraphEventActions {
 public:
  void Trace(const std::string& line) override { done.push_back(line); }
  void RefreshControls() override { done.push_back("refresh"); }
  void LayOutVideo() override { done.push_back("layout"); }
  std::vector<std::string> done;
};

std::string TraceOf(LONG code, int first, int second) {
  return "source graph event code: " + graph::EventName(code) +
         "\n Params: " + std::to_string(first) + ", " + std::to_string(second) + "\n";
}

// A filter graph's event queue, and a player to handle its events for.
class GraphEvents : public ::testing::Test {
 protected:
  void SetUp() override {
    TestOptions();
    ASSERT_EQ(
        CoCreateInstance(CLSID_FilterGraph, nullptr, CLSCTX_INPROC_SERVER, IID_PPV_ARGS(&sink_)),
        S_OK);
    ASSERT_EQ(sink_.As(&events_), S_OK);
    player_.emplace(window_);
  }

  ComPtr<IMediaEventSink> sink_;
  ComPtr<IMediaEventEx> events_;
  graph::VideoWindowState window_;
  std::optional<graph::PlayerGraph> player_;
  RecordedActions actions_;
};

TEST_F(GraphEvents, ABurstIsHandledInOneCallInQueueOrder) {
  const LONG codes[] = {10, 806, 0x1234, 813, 83};
  for (int i = 0; i < 5; ++i)
    sink_->Notify(codes[i], i, 10 * i);
  graph::HandlePlayerGraphEvents(events_.Get(), *player_, actions_);

  const std::vector<std::string> expected{TraceOf(10, 0, 0),      "layout",
                                          TraceOf(806, 1, 10),    "refresh",
                                          TraceOf(0x1234, 2, 20), TraceOf(813, 3, 30),
                                          TraceOf(83, 4, 40),     "layout"};
  EXPECT_EQ(actions_.done, expected);
  LONG code = 0;
  LONG_PTR first = 0, second = 0;
  EXPECT_NE(events_->GetEvent(&code, &first, &second, 0), S_OK);
}

TEST_F(GraphEvents, TheDumpsFullDiskOnTheTunerGraphRaisesItsBox) {
  common::ErrorCapture boxes;
  sink_->Notify(EC_DUMP_DISK_FULL, HRESULT_FROM_WIN32(ERROR_DISK_FULL), 0);
  graph::HandleTunerGraphEvents(events_.Get(), *player_, actions_);
  EXPECT_EQ(boxes.Captions(), std::vector<std::string>{"Dump Filter failure"});
}

TEST_F(GraphEvents, CodesWithoutANameAreNamedByTheirNumber) {
  EXPECT_EQ(graph::EventName(0x1234), "Unknown event 0x1234");
  EXPECT_EQ(graph::EventName(4), "Unknown event 0x4");
  EXPECT_EQ(graph::EventName(0x8001), "EC_USER 0x8001");
  EXPECT_EQ(graph::EventName(0x8000), "EC_PROGRAM_CHANGED");
  EXPECT_EQ(graph::EventName(816), "STREAMBUFFER_EC_SETPOSITIONS_EVENTS_DONE");
}

}  // namespace
}  // namespace player::test
