#include <cstring>
#include <deque>
#include <functional>
#include <vector>

#include "platform/com/TaskMemory.h"
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

  HRESULT GetNextSection(std::uint8_t** section, std::int32_t* length, std::int32_t* tuningSpace,
                         std::int32_t* physical, std::int32_t* modulation, std::int32_t* program,
                         std::int32_t* pid) override {
    if (queue.empty()) return E_FAIL;
    const Queued& q = queue.front();
    auto* bytes = static_cast<std::uint8_t*>(CoTaskMemAlloc(q.section.size()));
    std::memcpy(bytes, q.section.data(), q.section.size());
    *section = bytes;
    *length = static_cast<std::int32_t>(q.section.size());
    *tuningSpace = 0;
    *physical = q.physical;
    *modulation = 1;
    *program = 0;
    *pid = q.pid;
    queue.pop_front();
    ++taken;
    return S_OK;
  }

  std::deque<Queued> queue;
  int taken = 0;
};

class FakeProvider : public INetworkProvider {
 public:
  HRESULT SetPsiPids(const std::int32_t* pids, std::int32_t count, bool flag) override {
    last.assign(pids, pids + count);
    lastFlag = flag;
    ++calls;
    return S_OK;
  }
  std::vector<std::int32_t> last;
  bool lastFlag = false;
  int calls = 0;
};

class FakeTextSource : public ITextSource {
 public:
  HRESULT SetText(const NowPlayingInfo& info) override {
    ++calls;
    lastMajor = info.major;
    if (onSetText) onSetText();
    return S_OK;
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
