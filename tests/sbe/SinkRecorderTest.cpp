// The "SB Sink" with its configuration and recorder objects: the buffer goes
// where the registry key says, recordings never overwrite a file, and a
// ".dvr-ms" recording is a programme stream that ffmpeg plays.
#include <gtest/gtest.h>

#include <filesystem>

#include "common/Utf16.h"
#include "platform/com/ComPtr.h"
#include "platform/media/FilterGraph.h"
#include "platform/sbe/StreamBufferConfig.h"
#include "platform/sbe/StreamBufferSink.h"
#include "tests/sink/SinkFeeder.h"
#include "tests/support/ConfigRoot.h"
#include "tests/support/ExternalTool.h"
#include "tests/support/TempFolder.h"

namespace {

using testsupport::TempFolder;

std::u16string Wide(const std::filesystem::path& path) {
  return common::FromUtf8(path.string());
}

class SinkRecorderTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, "SOFTWARE\\Corvane DVR", &key_), 0);
    ComPtr<sbe::CStreamBufferConfig> config(new sbe::CStreamBufferConfig);
    ASSERT_EQ(config->SetHKEY(key_), S_OK);
    ASSERT_EQ(config->SetDirectory(Wide(folder_.Path()).c_str()), S_OK);
    ASSERT_EQ(config->SetBackingFileCount(20, 22), S_OK);
    ASSERT_EQ(config->SetBackingFileDuration(300), S_OK);
    stub_ = sbe::TakeStub(folder_.Path());
    ASSERT_TRUE(stub_);
    ASSERT_EQ(sink_->SetHKEY(key_), S_OK);
    ASSERT_EQ(sink_->LockProfile(Wide(stub_->Path()).c_str()), S_OK);
  }
  void TearDown() override { RegCloseKey(key_); }

  ComPtr<IStreamBufferRecordControl> Recorder(const std::filesystem::path& file, HRESULT* hr) {
    ComPtr<IUnknown> object;
    *hr = sink_->CreateRecorder(Wide(file).c_str(), RECORDING_TYPE_CONTENT, &object);
    return object ? object.As<IStreamBufferRecordControl>() : nullptr;
  }

  testsupport::ScopedConfigRoot configRoot_;
  TempFolder folder_;
  HKEY key_ = nullptr;
  std::optional<sbe::Stub> stub_;
  ComPtr<sbe::CStreamBufferSink> sink_{new sbe::CStreamBufferSink};
};

TEST_F(SinkRecorderTest, TheBufferLivesInTempSbeAndTheStubNamesIt) {
  EXPECT_EQ(sink_->List(), folder_ / "TempSBE" / "dvr-ms stub 00.lst");
  EXPECT_TRUE(std::filesystem::exists(sink_->List()));
  EXPECT_EQ(sbe::ListOfStub(stub_->Path()), sink_->List());
  EXPECT_EQ(sink_->IsProfileLocked(), S_OK);
}

TEST_F(SinkRecorderTest, AnExistingFileIsRefusedWithAlreadyExists) {
  const auto taken = folder_.WriteText("News.dvr-ms", "an earlier recording");
  HRESULT hr = S_OK;
  EXPECT_FALSE(Recorder(taken, &hr));
  EXPECT_EQ(hr, HRESULT_FROM_WIN32(ERROR_ALREADY_EXISTS));
  EXPECT_EQ(std::filesystem::file_size(taken), 20u);
}

TEST_F(SinkRecorderTest, ARecorderReleasedUnstartedGivesItsNameBack) {
  const auto file = folder_ / "News.dvr-ms";
  HRESULT hr = E_FAIL;
  EXPECT_TRUE(Recorder(file, &hr));
  EXPECT_EQ(hr, S_OK);
  EXPECT_FALSE(std::filesystem::exists(file));
}

TEST_F(SinkRecorderTest, ARecordingWritesIntoItsFileUntilReleased) {
  const auto file = folder_ / "News.dvr-ms";
  HRESULT hr = E_FAIL;
  {
    auto recorder = Recorder(file, &hr);
    ASSERT_TRUE(recorder);
    REFERENCE_TIME start = -1;
    ASSERT_EQ(recorder->Start(&start), S_OK);
    EXPECT_EQ(sink_->Core().CurrentPath(), Wide(file));
    BOOL started = 0;
    BOOL stopped = 1;
    recorder->GetRecordingStatus(&hr, &started, &stopped);
    EXPECT_TRUE(started);
    EXPECT_FALSE(stopped);
  }
  EXPECT_NE(sink_->Core().CurrentPath(), Wide(file));
  EXPECT_TRUE(std::filesystem::exists(file));
}

TEST_F(SinkRecorderTest, TheBufferKeepsTheConfiguredCountOfBackingFilesOfTheConfiguredDuration) {
  filters::test::SinkFeeder feeder{sink_->Core()};
  constexpr std::int64_t kSecond = 10'000'000;
  // A moment of stream every 301 seconds: each backing file's 300 s run out
  // at the next, 30 times over.
  for (int i = 0; i < 30; ++i)
    filters::test::FeedProgramme(feeder, 0.2, i * 301 * kSecond);
  int files = 0;
  for (const auto& entry : std::filesystem::directory_iterator(folder_ / "TempSBE"))
    files += entry.path().extension() == ".mpg";
  EXPECT_EQ(files, 22);
  EXPECT_EQ(sink_->Core().List().liveCount, 22);
}

// The synthetic programme's payloads are not real pictures and sound, so the
// check is the container: ffmpeg takes the ".dvr-ms" file for a programme
// stream (the graph tests play a recording of the sample broadcast).
TEST_F(SinkRecorderTest, ADvrMsRecordingIsAProgrammeStreamForFfmpeg) {
  CORVANE_REQUIRE_TOOLS("ffprobe");
  const auto file = folder_ / "2026-12-06 News.dvr-ms";
  HRESULT hr = E_FAIL;
  {
    auto recorder = Recorder(file, &hr);
    ASSERT_TRUE(recorder);
    ASSERT_EQ(recorder->Start(nullptr), S_OK);
    filters::test::SinkFeeder feeder{sink_->Core()};
    filters::test::FeedProgramme(feeder, 3.0);
  }
  const auto probe =
      testsupport::RunTool("ffprobe -v quiet -show_entries format=format_name -of csv=p=0 " +
                           testsupport::ShellQuote(file.string()));
  EXPECT_EQ(probe.output, "mpeg\n");
}

// A full disk while the buffer runs: the graph hears of the failure once, and
// of its end when packs are written again.
TEST(SinkWriteFailure, AFullDiskIsReportedOnceAndItsEndToo) {
  testsupport::ScopedConfigRoot configRoot;
  TempFolder folder;
  filters::test::QuotaFileSystem disk(1 << 30);
  auto stub = sbe::TakeStub(folder.Path());
  ASSERT_TRUE(stub);
  ComPtr<sbe::CStreamBufferSink> sink(new sbe::CStreamBufferSink(disk));
  ComPtr<CFilterGraph> graph(new CFilterGraph);
  graph->AddFilter(static_cast<IBaseFilter*>(sink.Get()), u"SB Sink");
  ASSERT_EQ(sink->LockProfile(Wide(stub->Path()).c_str()), S_OK);
  filters::test::SinkFeeder feeder{sink->Core()};
  auto feed = [&](double from) {
    filters::test::FeedProgramme(feeder, 1.0, static_cast<std::int64_t>(from * 1e7));
    sink->AfterReceive();
  };
  feed(0);
  disk.SetBudget(0);
  feed(1);
  feed(2);
  disk.SetBudget(1 << 30);
  feed(3);

  ComPtr<IMediaEvent> events = ComPtr<IFilterGraph2>(graph.Get()).As<IMediaEvent>();
  std::vector<LONG> codes;
  LONG code = 0;
  LONG_PTR param1 = 0, param2 = 0;
  while (events->GetEvent(&code, &param1, &param2, 0) == S_OK)
    codes.push_back(code);
  EXPECT_EQ(codes, (std::vector<LONG>{STREAMBUFFER_EC_WRITE_FAILURE,
                                      STREAMBUFFER_EC_WRITE_FAILURE_CLEAR}));
}

}  // namespace
