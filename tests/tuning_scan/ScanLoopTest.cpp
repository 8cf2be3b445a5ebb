#include "tuning/scan/ScanLoop.h"

#include <gtest/gtest.h>

#include <deque>
#include <functional>
#include <set>
#include <string>

namespace tuning {
namespace {

// A host that logs what the scan asks for and queues its posts and timers, so
// a test pumps them as the window's message loop would.
struct FakeHost : IScanHost {
  std::set<int> locked;
  bool recording = false;
  std::string log;
  std::deque<std::function<void()>> queue;
  ScanLoop* loop = nullptr;

  void Note(const std::string& s) { log += log.empty() ? s : " " + s; }
  void TunePhysical(std::uint8_t p) override {
    Note("tune" + std::to_string(p));
    queue.push_back([this, p] { loop->OnChannelChanged(p); });
  }
  bool SignalLocked() override { return false; }
  void FlushSections() override {}
  void ClearSections() override { Note("clear"); }
  void CollectChannels(std::uint8_t p) override { Note("collect" + std::to_string(p)); }
  void WritePsipDump() override { Note("dump"); }
  void ReturnToViewing() override { Note("view"); }
  bool Recording() override { return recording; }
  void PostScanChannel() override {
    queue.push_back([this] { loop->OnScanChannel(); });
  }
  void StartTimer(int id, std::chrono::milliseconds) override {
    queue.push_back([this, id] { loop->OnTimer(id); });
  }
  void KillTimer(int) override {}
  void ShowChannel(std::uint8_t) override {}
  void ShowStatus(const char* status, bool) override { Note(status); }

  void Pump() {
    while (!queue.empty()) {
      auto next = std::move(queue.front());
      queue.pop_front();
      next();
    }
  }
};

struct LockingHost : FakeHost {
  bool SignalLocked() override { return locked.count(lastTuned) != 0; }
  void TunePhysical(std::uint8_t p) override {
    lastTuned = p;
    FakeHost::TunePhysical(p);
  }
  int lastTuned = 0;
};

struct Scan {
  LockingHost host;
  std::atomic<int> scanChannel{0};
  ScanLoop loop{host, scanChannel};
  Scan() { host.loop = &loop; }
};

TEST(ScanLoop, VisitsTheRangeSettlesLockedChannelsAndReturnsToViewing) {
  Scan s;
  s.host.locked = {3, 5};
  s.loop.Start(2, 5, false);
  s.host.Pump();
  EXPECT_EQ(s.host.log,
            "clear Scanning tune2 tune3 collect3 tune4 tune5 collect5 dump Finished view");
  EXPECT_FALSE(s.loop.Running());
}

TEST(ScanLoop, ASlowScanSettlesEveryChannel) {
  Scan s;
  s.loop.Start(2, 3, true);
  s.host.Pump();
  EXPECT_EQ(s.host.log, "clear Scanning tune2 collect2 tune3 collect3 dump Finished view");
}

TEST(ScanLoop, AStaleSettleTimerAfterStopDoesNothing) {
  Scan s;
  s.host.locked = {2};
  s.loop.Start(2, 9, false);
  s.host.queue.front()();  // tune 2
  s.host.queue.pop_front();
  s.host.queue.front()();  // locked: the settle timer is queued
  s.host.queue.pop_front();
  s.loop.Stop();
  s.host.log.clear();
  s.host.Pump();
  s.loop.OnTimer(107 + 2);
  EXPECT_EQ(s.host.log, "");
}

TEST(ScanLoop, OnlyTheScanChannelsOwnTuneCountsAndOnlyOnce) {
  Scan s;
  s.loop.Start(2, 3, false);
  s.host.queue.front()();
  s.host.queue.pop_front();  // tune 2 is pending now
  s.host.log.clear();
  s.loop.OnChannelChanged(7);  // another tune of the graph
  EXPECT_EQ(s.host.queue.size(), 1u);
  s.loop.OnChannelChanged(2);
  s.loop.OnChannelChanged(2);  // a repeat does not skip channel 3
  s.host.Pump();
  EXPECT_EQ(s.host.log, "tune3 dump Finished view");
}

TEST(ScanLoop, ARecordingGraphEndsTheScanWithoutMovingTheTuner) {
  Scan s;
  s.loop.Start(2, 9, false);
  s.host.recording = true;
  s.host.Pump();
  EXPECT_EQ(s.host.log, "clear Scanning dump Finished");
}

}  // namespace
}  // namespace tuning
