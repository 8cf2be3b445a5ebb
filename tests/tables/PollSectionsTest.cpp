#include <cstring>
#include <deque>
#include <functional>
#include <vector>

#include "tables/poll/PollSections.h"
#include "tests/tables/SectionBuilder.h"

#include <gtest/gtest.h>

namespace tables::test {
namespace {

class FakePacketBuffer : public IPacketBuffer {
 public:
  struct Queued {
    Bytes section;
    int physical;
    int pid;
  };

  std::optional<ReceivedSection> TakeNextSection() override {
    if (queue.empty()) return std::nullopt;
    const Queued& q = queue.front();
    ReceivedSection received;
    received.bytes = q.section;
    received.tag.tuningSpace = 0;
    received.tag.physical = static_cast<std::uint8_t>(q.physical);
    received.tag.modulation = 1;
    received.tag.pid = static_cast<std::uint16_t>(q.pid);
    queue.pop_front();
    ++taken;
    return received;
  }

  std::deque<Queued> queue;
  int taken = 0;
};

class FakeProvider : public INetworkProvider {
 public:
  bool SetPsiPids(std::span<const std::int32_t> pids, bool flag) override {
    last.assign(pids.begin(), pids.end());
    lastFlag = flag;
    ++calls;
    return true;
  }
  std::vector<std::int32_t> last;
  bool lastFlag = false;
  int calls = 0;
};

class FakeTextSource : public ITextSource {
 public:
  bool SetText(const NowPlayingInfo& info) override {
    ++calls;
    lastMajor = info.major;
    if (onSetText) onSetText();
    return true;
  }
  std::function<void()> onSetText;
  int calls = 0;
  int lastMajor = -1;
};

class PollTest : public ::testing::Test {
 protected:
  void SetUp() override {
    program_.channels = &channels_;
    graph_.packetBuffer = &buffer_;
    graph_.networkProvider = &provider_;
    graph_.textSource = &text_;
    graph_.sectionPinPresent = true;
    graph_.currentKey1 = 7 | 1 << 8;
    graph_.currentKey2 = 7;
  }

  void QueuePats(int count) {
    for (int i = 0; i < count; ++i) {
      buffer_.queue.push_back(
          {Pat(1, static_cast<unsigned>(i % 32), {{1, 0x100u + i}}), 1 + i / 32, 0});
    }
  }

  tuning::ChannelList channels_;
  ProgramTables program_;
  GraphTables graph_;
  FakePacketBuffer buffer_;
  FakeProvider provider_;
  FakeTextSource text_;
};

TEST_F(PollTest, TakesAtMost101SectionsATick) {
  QueuePats(150);
  PollSections(program_, graph_);
  EXPECT_EQ(buffer_.taken, 101);
  EXPECT_EQ(graph_.sectionCount, 101);
  EXPECT_EQ(program_.sections.size(), 101u);
  EXPECT_EQ(graph_.lastSectionMarker, 1 + 100 / 32);
  PollSections(program_, graph_);
  EXPECT_EQ(buffer_.taken, 150);
  EXPECT_TRUE(buffer_.queue.empty());
}

TEST_F(PollTest, PidFilterGetsFixedPidsThenTheList) {
  graph_.recordTransportStream = true;
  QueuePats(3);
  PollSections(program_, graph_);
  // The filter is set before the sections of this tick are read.
  ASSERT_EQ(provider_.last.size(), kFixedPsiPidCount);
  EXPECT_TRUE(provider_.lastFlag);
  PollSections(program_, graph_);
  ASSERT_EQ(provider_.last.size(), kFixedPsiPidCount + 3);
  EXPECT_EQ(provider_.last[0], 0x0000);
  EXPECT_EQ(provider_.last[1], 0x1FFB);
  EXPECT_EQ(provider_.last[7], 0x0014);
  EXPECT_EQ(provider_.last[8], 0x100);

  QueuePats(250);
  PollSections(program_, graph_);
  PollSections(program_, graph_);
  PollSections(program_, graph_);
  PollSections(program_, graph_);
  EXPECT_EQ(provider_.last.size(), kPidArraySize);
}

TEST_F(PollTest, MissingPiecesSkipTheirStep) {
  graph_.sectionPinPresent = false;
  graph_.textSource = nullptr;
  QueuePats(2);
  PollSections(program_, graph_);
  EXPECT_EQ(provider_.calls, 0);
  EXPECT_EQ(buffer_.taken, 2);

  graph_.packetBuffer = nullptr;
  graph_.sectionPinPresent = true;
  QueuePats(2);
  PollSections(program_, graph_);
  EXPECT_EQ(provider_.calls, 1);
  EXPECT_EQ(buffer_.taken, 2);
}

TEST_F(PollTest, TuneDrainsQueueAndEmptiesTableState) {
  QueuePats(3);
  PollSections(program_, graph_);
  ASSERT_FALSE(graph_.psiPids.entries.empty());
  QueuePats(120);
  graph_.ResetForTune();
  DrainSectionBuffer(graph_.packetBuffer);
  EXPECT_TRUE(buffer_.queue.empty());
  EXPECT_TRUE(graph_.psiPids.entries.empty());
  EXPECT_EQ(graph_.lastSectionMarker, -1);
  EXPECT_EQ(graph_.sectionCount, 0);
  EXPECT_EQ(program_.sections.size(), 3u);  // drained sections are not dispatched
}

TEST_F(PollTest, NestedPollReturnsAtOnce) {
  QueuePats(5);
  int nestedTaken = -1;
  text_.onSetText = [&] {
    PollSections(program_, graph_);
    nestedTaken = buffer_.taken;
  };
  PollSections(program_, graph_);
  EXPECT_EQ(nestedTaken, 0);
  EXPECT_EQ(text_.calls, 1);
  EXPECT_EQ(text_.lastMajor, 7);
  EXPECT_EQ(buffer_.taken, 5);
  EXPECT_EQ(provider_.calls, 1);
}

}  // namespace
}  // namespace tables::test
