#include <gtest/gtest.h>

#include <future>
#include <mutex>
#include <vector>

#include "graph/manager/GraphThread.h"
#include "graph/manager/TuneRequests.h"

namespace graph::test {
namespace {

using tuning::ChannelLocator;

// A graph thread whose handler can be held inside a message, so later posts
// queue up behind it, and that records the tunes it carries out.
struct HeldThread {
  TuneRequests tunes;
  std::promise<void> release;
  std::shared_future<void> released = release.get_future().share();
  std::mutex lock;
  std::vector<ChannelLocator> tuned;
  std::vector<int> commands;
  GraphThread thread{[this](GraphThreadMessage& m) {
    if (m.id == ThreadMessage::WM_GRAPH_COMMAND) {
      released.wait();
      std::lock_guard guard(lock);
      commands.push_back(m.tunerState + m.playerState);
    } else if (tunes.TakeNewest()) {
      std::lock_guard guard(lock);
      tuned.push_back(*m.locator);
    }
  }};

  void Hold() { thread.Post(GraphThreadMessage{}); }
  void Finish() {
    release.set_value();
    GraphThreadMessage command;
    command.tunerState = 32;
    command.playerState = 2;
    thread.Post(std::move(command));
    thread.Stop();
  }
};

TEST(GraphThread, AQuickBurstOfTunesTunesOnceToTheNewest) {
  HeldThread t;
  t.Hold();
  for (std::uint8_t physical = 20; physical < 25; ++physical) {
    EXPECT_EQ(t.tunes.Post(t.thread, ChannelLocator::Make(physical, 1, 5, 0, 1), true), S_OK);
  }
  EXPECT_EQ(t.tunes.Current().physical(), 24);
  t.Finish();
  ASSERT_EQ(t.tuned.size(), 1u);
  EXPECT_EQ(t.tuned[0].physical(), 24);
  EXPECT_EQ(t.tunes.Pending(), 0);
  EXPECT_EQ(t.commands, (std::vector<int>{0, 34}));
}

TEST(GraphThread, DiscardedTunesDoNotTune) {
  HeldThread t;
  t.Hold();
  t.tunes.Post(t.thread, ChannelLocator::Make(7, 1, 7, 0, 1), false);
  t.tunes.DiscardPending();
  t.tunes.Post(t.thread, ChannelLocator::Make(9, 1, 9, 0, 1), false);
  t.Finish();
  ASSERT_EQ(t.tuned.size(), 1u);
  EXPECT_EQ(t.tuned[0].physical(), 9);
}

TEST(GraphThread, AStoppedThreadRefusesTunesAndCountsNone) {
  HeldThread t;
  t.Finish();
  EXPECT_LT(t.tunes.Post(t.thread, ChannelLocator::Make(7, 1, 7, 0, 1), false), 0);
  EXPECT_EQ(t.tunes.Pending(), 0);
}

}  // namespace
}  // namespace graph::test
