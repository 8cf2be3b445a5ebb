#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "graph/ingest/IngestGraph.h"
#include "graph/ingest/TunerDevices.h"
#include "platform/bda/tuner/VirtualTuners.h"
#include "platform/bda/virtual/Broadcast.h"

namespace graph {
namespace {

// One virtual tuner on an empty broadcast, registered as a device.
class TunerGraphTest : public ::testing::Test {
 protected:
  void SetUp() override {
    names_ = bda::RegisterVirtualTuners(
        std::make_shared<vtuner::Broadcast>(vtuner::BroadcastDescription{}));
    ASSERT_FALSE(names_.empty());
  }
  void TearDown() override { bda::UnregisterVirtualTuners(); }

  // The filter the pin of `filter` named `pin` is connected to, or null.
  static IBaseFilter* Peer(IBaseFilter* filter, const char16_t* pin) {
    ComPtr<IPin> own, peer;
    if (FAILED(filter->FindPin(pin, &own)) || FAILED(own->ConnectedTo(&peer))) return nullptr;
    PIN_INFO info{};
    peer->QueryPinInfo(&info);
    ComPtr<IBaseFilter> owner;
    owner.Attach(info.pFilter);
    return owner.Get();
  }

  std::vector<std::u16string> names_;
};

TEST_F(TunerGraphTest, EnumerationListsTheRegisteredTuners) {
  const std::vector<TunerInfo> tuners = EnumerateTuners();
  ASSERT_EQ(tuners.size(), names_.size());
  EXPECT_EQ(tuners[0].displayName, names_[0]);
  EXPECT_FALSE(tuners[0].friendlyName.empty());
}

TEST_F(TunerGraphTest, LiveModeFeedsTheDemultiplexerStraightFromTheTuner) {
  IngestGraph ingest;
  std::string error;
  ASSERT_EQ(ingest.BuildFromDevice(names_[0], IngestGraph::Mode::kLive, &error), S_OK) << error;
  EXPECT_EQ(ingest.ChainCount(), 1);
  EXPECT_EQ(ingest.Tee(), nullptr);
  EXPECT_EQ(ingest.Dump(), nullptr);
  ComPtr<IBaseFilter> tee;
  EXPECT_LT(ingest.Graph()->FindFilterByName(u"Smart Tee", &tee), 0);
  ASSERT_NE(ingest.Demux(), nullptr);
  EXPECT_EQ(Peer(ingest.Demux(), demux::CDemuxFilter::kInputPinName), ingest.Tuner());
}

TEST_F(TunerGraphTest, AnUnknownTunerFailsAndLeavesNothing) {
  IngestGraph ingest;
  std::string error;
  EXPECT_LT(ingest.BuildFromDevice(u"@device:sw:{00000000-0000-0000-0000-000000000000}\\none",
                                   IngestGraph::Mode::kBuffered, &error),
            0);
  EXPECT_FALSE(error.empty());
  EXPECT_EQ(ingest.Graph(), nullptr);
}

}  // namespace
}  // namespace graph
