// The "StreamBufferSource": the live buffer through its stub while the sink
// writes it, ".dvr-ms" recordings, and its seeking under the engine's name.
#include <gtest/gtest.h>

#include <filesystem>

#include "common/Utf16.h"
#include "platform/com/ComPtr.h"
#include "platform/com/TaskMemory.h"
#include "platform/media/FilterGraph.h"
#include "platform/sbe/StreamBufferSink.h"
#include "platform/sbe/StreamBufferSource.h"
#include "tests/sink/SinkFeeder.h"
#include "tests/support/TempFolder.h"

namespace {

constexpr LONGLONG kSecond = 10'000'000;

std::u16string Wide(const std::filesystem::path& path) {
  return common::FromUtf8(path.string());
}

class SourceTest : public ::testing::Test {
 protected:
  void SetUp() override {
    stub_ = sbe::TakeStub(folder_.Path());
    ASSERT_TRUE(stub_);
    ASSERT_EQ(sink_->LockProfile(Wide(stub_->Path()).c_str()), S_OK);
  }

  ComPtr<IStreamBufferMediaSeeking> Seeking() {
    return ComPtr<IBaseFilter>(source_.Get()).As<IStreamBufferMediaSeeking>();
  }
  LONGLONG Latest() {
    LONGLONG earliest = 0, latest = 0;
    EXPECT_EQ(Seeking()->GetAvailable(&earliest, &latest), S_OK);
    return latest;
  }

  testsupport::TempFolder folder_;
  std::optional<sbe::Stub> stub_;
  ComPtr<sbe::CStreamBufferSink> sink_{new sbe::CStreamBufferSink};
  HRESULT created_ = E_FAIL;
  ComPtr<sbe::CStreamBufferSource> source_{new sbe::CStreamBufferSource(&created_)};
  filters::test::SinkFeeder feeder_{sink_->Core()};
};

TEST_F(SourceTest, TheStubPlaysTheLiveBufferAsItGrows) {
  filters::test::FeedProgramme(feeder_, 2.0);
  ASSERT_EQ(source_->Load(Wide(stub_->Path()).c_str(), nullptr), S_OK);
  const LONGLONG first = Latest();
  EXPECT_GT(first, kSecond);
  filters::test::FeedProgramme(feeder_, 3.0, 2 * kSecond);
  EXPECT_GT(Latest(), first + 2 * kSecond);

  LPWSTR name = nullptr;
  ASSERT_EQ(source_->GetCurFile(&name, nullptr), S_OK);
  EXPECT_EQ(std::u16string(name), Wide(stub_->Path()));
  CoTaskMemFree(name);
}

TEST_F(SourceTest, TheSinkItselfGivesTheSameBuffer) {
  filters::test::FeedProgramme(feeder_, 2.0);
  ASSERT_EQ(source_->SetStreamSink(sink_.Get()), S_OK);
  EXPECT_GT(Latest(), kSecond);
}

TEST_F(SourceTest, ARecordingPlaysWhole) {
  const auto file = folder_ / "News.dvr-ms";
  {
    ComPtr<IUnknown> object;
    ASSERT_EQ(sink_->CreateRecorder(Wide(file).c_str(), RECORDING_TYPE_CONTENT, &object), S_OK);
    ASSERT_EQ(object.As<IStreamBufferRecordControl>()->Start(nullptr), S_OK);
    filters::test::FeedProgramme(feeder_, 2.0);
  }
  ASSERT_EQ(source_->Load(Wide(file).c_str(), nullptr), S_OK);
  LONGLONG earliest = -1, latest = 0;
  ASSERT_EQ(Seeking()->GetAvailable(&earliest, &latest), S_OK);
  EXPECT_GT(latest - earliest, kSecond);
}

TEST_F(SourceTest, APositionBeforeTheBufferPlaysTheOldestAndReportsStaleData) {
  ComPtr<CFilterGraph> graph(new CFilterGraph);
  graph->AddFilter(static_cast<IBaseFilter*>(source_.Get()), u"StreamBufferSource");
  filters::test::FeedProgramme(feeder_, 2.0);
  ASSERT_EQ(source_->Load(Wide(stub_->Path()).c_str(), nullptr), S_OK);
  LONGLONG earliest = 0, latest = 0;
  Seeking()->GetAvailable(&earliest, &latest);
  LONGLONG position = earliest - kSecond;
  ASSERT_TRUE(SUCCEEDED(Seeking()->SetPositions(&position, AM_SEEKING_AbsolutePositioning, nullptr,
                                                AM_SEEKING_NoPositioning)));
  LONGLONG current = -1;
  Seeking()->GetCurrentPosition(&current);
  EXPECT_EQ(current, earliest);

  ComPtr<IMediaEvent> events = ComPtr<IFilterGraph2>(graph.Get()).As<IMediaEvent>();
  LONG code = 0;
  LONG_PTR param1 = 0, param2 = 0;
  bool stale = false;
  while (events->GetEvent(&code, &param1, &param2, 0) == S_OK)
    stale = stale || code == STREAMBUFFER_EC_STALE_DATA_READ;
  EXPECT_TRUE(stale);
}

}  // namespace
