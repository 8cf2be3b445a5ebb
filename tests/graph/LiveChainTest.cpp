// The live chain of a watched channel on the sample broadcast's 5.5 "KFIV":
// seconds counted in stream time, and the PIDs the tables list mapped at the
// end of each second.
#include "graph/live/LiveChain.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <iterator>
#include <vector>

#include "tables/poll/GraphTables.h"
#include "tables/sections/SectionStore.h"
#include "tests/vtuner/TestCapture.h"
#include "tools/broadcast/CaptureWriter.h"
#include "tools/broadcast/Description.h"
#include "tuning/ChannelList.h"

namespace graph::test {
namespace {

constexpr int kPhysical = 31;

struct Kfiv {
  Kfiv() {
    broadcast::BroadcastDescription all, one;
    std::vector<std::filesystem::path> files;
    if (!broadcast::ParseBroadcastDescription(broadcast::SampleBroadcastText(), all, error)) return;
    for (const auto& mux : all.multiplexes)
      if (mux.physical == kPhysical) one.multiplexes.push_back(mux);
    if (one.multiplexes.size() != 1 ||
        !broadcast::WriteCaptures(one, 4.0, folder.Path(), {}, files, error))
      return;
    mux = one.multiplexes[0];
    std::ifstream in(files.at(0), std::ios::binary);
    bytes.assign(std::istreambuf_iterator<char>(in), {});
  }
  vtuner::test::TempFolder folder;
  broadcast::MultiplexDescription mux;
  std::vector<std::uint8_t> bytes;
  std::string error;
};

const Kfiv& Capture() {
  static const Kfiv capture;
  return capture;
}

class LiveChainTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_FALSE(Capture().bytes.empty()) << Capture().error;
    tag_.tuningSpace = static_cast<std::uint8_t>(Capture().mux.channelMap);
    tag_.physical = kPhysical;
    tag_.modulation = static_cast<std::uint16_t>(Capture().mux.modulation);
    graph_.scanRunning = kPhysical;  // the VCT makes the channels
  }

  // Hands out the capture as a tuner would, counting the bytes.
  std::size_t Read(std::span<std::uint8_t> out) {
    const std::vector<std::uint8_t>& bytes = Capture().bytes;
    const std::size_t n = std::min(out.size(), bytes.size() - read_);
    std::copy_n(bytes.begin() + static_cast<std::ptrdiff_t>(read_), n, out.begin());
    read_ += n;
    return n;
  }
  LiveChain::Reader Reader() {
    return [this](std::span<std::uint8_t> out) { return Read(out); };
  }

  bool AnyEvents() {
    auto lock = channels_.Acquire();
    for (auto& [key, node] : channels_)
      if (!node.events.empty()) return true;
    return false;
  }

  tables::SectionStore store_;
  tuning::ChannelList channels_;
  tables::GraphTables graph_;
  tables::TableContext ctx_{store_, channels_, graph_};
  tables::SectionTag tag_;
  std::size_t read_ = 0;
};

TEST_F(LiveChainTest, ASecondIsASecondOfTheStreamsClock) {
  LiveChain chain(ctx_, tag_);
  chain.RunSecond(1, Reader());
  EXPECT_GT(chain.Sections(), 0);
  // The first second counts from the first clock reference; the next is one
  // second of the multiplex rate, to within the 256 packets a read hands out.
  const std::size_t before = read_;
  chain.RunSecond(2, Reader());
  const double rate = static_cast<double>(Capture().mux.BitRate()) / 8;
  EXPECT_NEAR(static_cast<double>(read_ - before), rate, 188.0 * 256);
}

TEST_F(LiveChainTest, TablesListedInASecondAreReceivedFromTheNext) {
  LiveChain chain(ctx_, tag_);
  chain.RunSecond(1, Reader());
  {
    auto lock = channels_.Acquire();
    ASSERT_NE(channels_.First(), nullptr) << "the VCT makes the channel in the first second";
  }
  // The event tables' PIDs come from the MGT: nothing of them yet.
  EXPECT_FALSE(AnyEvents());
  chain.RunSecond(2, Reader());
  chain.RunSecond(3, Reader());
  EXPECT_TRUE(AnyEvents());
}

}  // namespace
}  // namespace graph::test
