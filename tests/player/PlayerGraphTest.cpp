#include <gtest/gtest.h>

#include <fstream>
#include <set>
#include <string>

#include "common/ErrorBox.h"
#include "common/Utf16.h"
#include "tests/player/FakeBufferSource.h"
#include "tests/player/PlayerFixture.h"
#include "tests/support/TempFolder.h"

namespace player::test {
namespace {

using graph::PlayerState;

constexpr REFERENCE_TIME kMinute = 60 * 10'000'000LL;

std::set<std::u16string> FilterNames(IGraphBuilder* graph) {
  std::set<std::u16string> names;
  ComPtr<IEnumFilters> filters;
  if (FAILED(graph->EnumFilters(&filters))) return names;
  ComPtr<IBaseFilter> filter;
  while (filters->Next(1, &filter, nullptr) == S_OK) {
    FILTER_INFO info;
    filter->QueryFilterInfo(&info);
    if (info.pGraph) info.pGraph->Release();
    names.insert(info.achName);
    filter.Reset();
  }
  return names;
}

// The filter whose output feeds the first input pin of `filter`.
ComPtr<IBaseFilter> Upstream(IBaseFilter* filter) {
  ComPtr<IEnumPins> pins;
  filter->EnumPins(&pins);
  ComPtr<IPin> pin;
  while (pins->Next(1, &pin, nullptr) == S_OK) {
    PIN_DIRECTION direction;
    pin->QueryDirection(&direction);
    ComPtr<IPin> other;
    if (direction == PINDIR_INPUT && SUCCEEDED(pin->ConnectedTo(&other))) {
      PIN_INFO info;
      other->QueryPinInfo(&info);
      ComPtr<IBaseFilter> owner;
      owner.Attach(info.pFilter);
      return owner;
    }
    pin.Reset();
  }
  return nullptr;
}

// A time-shift player over a buffer holding `available` (a stream-buffer
// stub, which the fake source stands in for).
class PlayerGraphTest : public testing::Test {
 protected:
  void SetUp() override {
    graph::SetStreamBufferSourceMaker([this](ComPtr<IBaseFilter>* filter) {
      source_ = new CFakeBufferSource(available_);
      *filter = source_;
      return S_OK;
    });
    player_.SetOptions(TestOptions());
  }
  void TearDown() override {
    player_.TearDown();
    graph::SetStreamBufferSourceMaker(nullptr);
  }
  HRESULT BuildTimeShift() {
    return player_.Build(PlayerState::kPlayerTimeShift, nullptr, u"/buffer/stub.tmp");
  }

  REFERENCE_TIME available_ = 30 * kMinute;
  ComPtr<CFakeBufferSource> source_;
  graph::VideoWindowState window_;
  graph::PlayerGraph player_{window_};
};

TEST_F(PlayerGraphTest, ARecordingNamedInCapitalsIsNotPlayed) {
  testsupport::TempFolder folder("corvane-player");
  const auto file = folder.Path() / "News.MPG";
  std::ofstream(file) << "not looked at";
  player_.SetPlaybackFile(common::FromUtf8(file.string()));
  EXPECT_TRUE(FAILED(player_.Build(PlayerState::kPlayerFile, nullptr, u"")));
  EXPECT_EQ(player_.Kind(), PlayerState::kNone);
  EXPECT_FALSE(player_.Graph());
}

TEST_F(PlayerGraphTest, RendererKindFiveConnectsTheDecoderStraightToTheSource) {
  common::ErrorCapture errors;
  ASSERT_EQ(BuildTimeShift(), S_OK);
  const std::set<std::u16string> names = FilterNames(player_.Graph().Get());
  EXPECT_FALSE(names.count(u"Video Tee"));
  EXPECT_FALSE(names.count(u"CCParser"));
  EXPECT_FALSE(names.count(u"Line 21 Decoder 2"));
  EXPECT_TRUE(names.count(u"Audio Renderer"));
  const ComPtr<IBaseFilter> feeding = Upstream(player_.VideoDecoder().Get());
  EXPECT_EQ(feeding.Get(), static_cast<IBaseFilter*>(source_.Get()));
  EXPECT_TRUE(errors.Messages().empty());
}

TEST_F(PlayerGraphTest, ATimeShiftPlayerStartsAtTheLivePositionOfALongBuffer) {
  available_ = 5 * 60 * kMinute;
  ASSERT_EQ(BuildTimeShift(), S_OK);
  EXPECT_EQ(source_->Position(), 5 * 60 * kMinute);
}

TEST_F(PlayerGraphTest, SeekingToOneHalfOfThirtyMinutesLandsFifteenMinutesIn) {
  ASSERT_EQ(BuildTimeShift(), S_OK);
  ASSERT_EQ(player_.SeekToFraction(1, 2), S_OK);
  EXPECT_EQ(source_->Position(), 15 * kMinute);
}

TEST_F(PlayerGraphTest, JumpToLiveReturnsToTheLatestPosition) {
  ASSERT_EQ(BuildTimeShift(), S_OK);
  player_.SeekToFraction(1, 10);
  ASSERT_EQ(player_.JumpToLive(), S_OK);
  graph::PlayerPosition position;
  ASSERT_EQ(player_.GetPosition(&position), S_OK);
  EXPECT_EQ(position.current, 30 * kMinute);
  EXPECT_EQ(position.latest, 30 * kMinute);
}

TEST_F(PlayerGraphTest, TearDownEmptiesThePlayerGraph) {
  ASSERT_EQ(BuildTimeShift(), S_OK);
  const ComPtr<IGraphBuilder> graph = player_.Graph();
  ASSERT_EQ(player_.TearDown(), S_OK);
  EXPECT_TRUE(FilterNames(graph.Get()).empty());
  EXPECT_EQ(player_.Kind(), PlayerState::kNone);
  EXPECT_EQ(window_.windowless.Get(), nullptr);
}

}  // namespace
}  // namespace player::test
