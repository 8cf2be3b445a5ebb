#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "graph/manager/CBDAFilterGraph.h"
#include "graph/manager/RecorderGraph.h"
#include "graph/manager/StreamMapping.h"
#include "platform/bda/model/BdaInterfaces.h"
#include "platform/bda/model/Mpeg2Interfaces.h"
#include "platform/bda/tuner/VirtualTuners.h"
#include "platform/bda/virtual/Broadcast.h"
#include "platform/sbe/BufferSettings.h"
#include "tests/support/ConfigRoot.h"
#include "tests/support/TempFolder.h"
#include "tests/support/Wait.h"

namespace graph::test {
namespace {

using tuning::ChannelLocator;

TEST(StreamMapping, AChannelWithoutNumberSelectsThePhysicalChannelOnly) {
  tuning::ChannelList channels;
  EXPECT_FALSE(StreamMappingFor(channels, ChannelLocator::Make(31, 1, 0, 0, 1)));
  EXPECT_FALSE(StreamMappingFor(channels, ChannelLocator::Empty(31)));
  EXPECT_FALSE(StreamMappingFor(channels, ChannelLocator::Make(31, 510, 5, 0, 1)));
}

TEST(StreamMapping, AnAbsentChannelTakesTheDefaultPidsOfItsMinorNumber) {
  tuning::ChannelList channels;
  const auto streams = StreamMappingFor(channels, ChannelLocator::Make(31, 3, 5, 0, 1));
  ASSERT_TRUE(streams);
  EXPECT_EQ(streams->videoPid, 0x51);
  EXPECT_EQ(streams->audioPid, 0x54);
  EXPECT_EQ(streams->pcrPid, 0x51);
}

TEST(StreamMapping, AListedChannelTakesItsOwnPids) {
  tuning::ChannelList channels;
  tuning::ChannelRecord record;
  record.locator = ChannelLocator::Make(31, 1, 5, 0, 1);
  record.videoPid = 0x100;
  record.audioPid = 0x101;
  record.pcrPid = 0x102;
  channels.InsertSorted(record);
  const auto streams = StreamMappingFor(channels, record.locator);
  ASSERT_TRUE(streams);
  EXPECT_EQ(streams->videoPid, 0x100);
  EXPECT_EQ(streams->pcrPid, 0x102);
}

struct Target : IGraphMessageTarget {
  std::mutex lock;
  std::vector<std::uint32_t> tuned;
  std::vector<std::string> errors;
  int tunerEvents = 0;
  void Post(WindowMessage message, std::uint32_t parameter) override {
    std::lock_guard guard(lock);
    if (message == WindowMessage::WM_TUNER_GRAPH_EVENT) ++tunerEvents;
    if (message == WindowMessage::WM_CHANNEL_CHANGED) tuned.push_back(parameter);
  }
  void ShowError(const std::string& text) override {
    std::lock_guard guard(lock);
    errors.push_back(text);
  }
  std::size_t Tunes() {
    std::lock_guard guard(lock);
    return tuned.size();
  }
};

// A graph manager on a virtual tuner of an empty broadcast.
class ManagerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    const auto names = bda::RegisterVirtualTuners(
        std::make_shared<vtuner::Broadcast>(vtuner::BroadcastDescription{}));
    ASSERT_FALSE(names.empty());
    config_.devicePath = names[0];
    config_.bufferFolder = folder_.Path();
    config_.currentChannel = ChannelLocator::Make(31, 5, 5, 0, 1);
  }
  void TearDown() override { bda::UnregisterVirtualTuners(); }
  std::unique_ptr<CBDAFilterGraph> Make() {
    return std::make_unique<CBDAFilterGraph>(
        config_, GraphServices{&channels_, &tables_, &target_, nullptr});
  }

  testsupport::TempFolder folder_{"corvane-manager"};
  tuning::ChannelList channels_;
  tables::ProgramTables tables_;
  Target target_;
  GraphConfig config_;
};

TEST_F(ManagerTest, TheBufferedGraphKeepsItsListBufferInTheBufferFolder) {
  auto graph = Make();
  ASSERT_EQ(graph->RequestGraphState(32, 0), S_OK);
  EXPECT_EQ(graph->Tuner(), TunerState::kTunerBuffered);
  const std::filesystem::path list(graph->BufferPath());
  EXPECT_EQ(list.parent_path(), folder_.Path());
  EXPECT_EQ(list.extension(), ".lst");
  EXPECT_EQ(list.stem().string().size(), 32u);
  ASSERT_NE(graph->Ingest().Tee(), nullptr);
  EXPECT_TRUE(std::filesystem::exists(list));
  EXPECT_EQ(graph->RequestGraphState(0, 0), S_OK);
  EXPECT_EQ(graph->Ingest().Graph(), nullptr);
  // The buffer takes its list and chunks along.
  EXPECT_TRUE(std::filesystem::is_empty(folder_.Path()));
}

TEST_F(ManagerTest, TheBufferedGraphsEventsReachTheTargetUntilItGoes) {
  auto graph = Make();
  ASSERT_EQ(graph->RequestGraphState(32, 0), S_OK);
  ComPtr<IMediaEventSink> sink;
  ASSERT_EQ(graph->Ingest().Graph()->QueryInterface(IID_PPV_ARGS(&sink)), S_OK);
  sink->Notify(EC_PAUSED, 0, 0);
  EXPECT_EQ(target_.tunerEvents, 1);
  ASSERT_EQ(graph->RequestGraphState(0, 0), S_OK);
  sink->Notify(EC_PAUSED, 0, 0);
  EXPECT_EQ(target_.tunerEvents, 1);
}

TEST_F(ManagerTest, ARecordingWritesADatedFileBesideTheBufferAndStopsBackToIt) {
  config_.recordFolder = folder_.Path() / "Videos";
  auto graph = Make();
  graph->SetRecordingTitle(u"Manual Record");
  graph->SetRecordingOrigin(1);
  ASSERT_EQ(graph->RequestGraphState(48, 0), S_OK);
  const std::filesystem::path file = graph->RecordingPath();
  EXPECT_EQ(file.parent_path(), config_.recordFolder);
  EXPECT_TRUE(file.filename().string().ends_with(" Manual Record.mpg"));
  EXPECT_TRUE(std::filesystem::exists(file));
  ASSERT_EQ(graph->RequestGraphState(32, 0), S_OK);
  EXPECT_TRUE(graph->RecordingPath().empty());
  EXPECT_EQ(graph->RecordingOrigin(), 0);
}

TEST_F(ManagerTest, ARecordingThatCannotStartSaysWhy) {
  config_.recordFolder = folder_.WriteText("Videos", "a file where the folder should be");
  auto graph = Make();
  graph->SetRecordingTitle(u"News");
  EXPECT_LT(graph->RequestGraphState(48, 0), 0);
  // The failed start takes the tuner graph down again, and says why.
  EXPECT_EQ(graph->Tuner(), TunerState::kNone);
  ASSERT_FALSE(target_.errors.empty());
  EXPECT_EQ(target_.errors[0], "Can not create folder \"" + config_.recordFolder.string() + "\".");
}

// Record format 1: the stream buffer keeps its live buffer under a stub in
// the buffer folder, and records into ".dvr-ms" files.
class StreamBufferManagerTest : public ManagerTest {
 protected:
  void SetUp() override {
    ManagerTest::SetUp();
    config_.recordFormat = 1;
    config_.recordFolder = folder_.Path() / "Videos";
  }
  testsupport::ScopedConfigRoot configRoot_;
};

TEST_F(StreamBufferManagerTest, TheBufferedGraphRunsItsBufferUnderAStub) {
  auto graph = Make();
  ASSERT_EQ(graph->RequestGraphState(32, 0), S_OK);
  EXPECT_EQ(std::filesystem::path(graph->BufferPath()), folder_ / "dvr-ms stub 00.tmp");
  EXPECT_TRUE(std::filesystem::exists(folder_ / "TempSBE" / "dvr-ms stub 00.lst"));
  const sbe::BufferSettings settings = sbe::BufferSettings::Read(graph->StreamBufferKey());
  EXPECT_EQ(settings.directory, folder_.Path());
  EXPECT_EQ(settings.maximumCount, 22u);
  EXPECT_EQ(settings.fileSeconds, 300u);
  ASSERT_EQ(graph->RequestGraphState(0, 0), S_OK);
  EXPECT_FALSE(std::filesystem::exists(folder_ / "dvr-ms stub 00.tmp"));
  EXPECT_TRUE(std::filesystem::is_empty(folder_ / "TempSBE"));
}

TEST_F(StreamBufferManagerTest, OneHundredStubFilesLeaveNoBufferedGraph) {
  for (int number = 0; number < 100; ++number) {
    char name[32];
    std::snprintf(name, sizeof name, "dvr-ms stub %02d.tmp", number);
    folder_.WriteText(name, "");
  }
  auto graph = Make();
  EXPECT_LT(graph->RequestGraphState(32, 0), 0);
  EXPECT_EQ(graph->Tuner(), TunerState::kNone);
  ASSERT_FALSE(target_.errors.empty());
  EXPECT_EQ(target_.errors[0], "Too many stub files in use.");
}

TEST_F(StreamBufferManagerTest, TheSecondRecordingOfATitleTakesTheNumberTwo) {
  auto graph = Make();
  graph->SetRecordingTitle(u"News: Late");
  ASSERT_EQ(graph->RequestGraphState(48, 0), S_OK);
  const std::filesystem::path first = graph->RecordingPath();
  EXPECT_TRUE(first.filename().string().ends_with(" News_ Late.dvr-ms"));
  ASSERT_EQ(graph->RequestGraphState(32, 0), S_OK);
  EXPECT_TRUE(graph->RecordingPath().empty());
  ASSERT_EQ(graph->RequestGraphState(0, 0), S_OK);
  ASSERT_EQ(graph->RequestGraphState(48, 0), S_OK);
  const std::filesystem::path second = graph->RecordingPath();
  EXPECT_EQ(second.parent_path(), first.parent_path());
  EXPECT_EQ(second.filename().string(), first.stem().string() + " 2.dvr-ms");
  EXPECT_TRUE(std::filesystem::exists(first));
  EXPECT_TRUE(std::filesystem::exists(second));
  EXPECT_EQ(graph->RequestGraphState(32, 0), S_OK);
}

TEST_F(ManagerTest, WithoutAPlayerTheViewingStatesAreRefusedAndNothingStays) {
  auto graph = Make();
  EXPECT_LT(graph->RequestGraphState(32, 2), 0);
  EXPECT_EQ(graph->Tuner(), TunerState::kNone);
  EXPECT_EQ(graph->Ingest().Graph(), nullptr);
}

TEST_F(ManagerTest, ATuneReachesTheGraphThreadAndTellsTheChannelsDialog) {
  auto graph = Make();
  ASSERT_EQ(graph->RequestGraphState(32, 0), S_OK);
  ASSERT_EQ(graph->TuneRequest(ChannelLocator::Make(27, 1, 27, 0, 1), true), S_OK);
  EXPECT_EQ(graph->CurrentChannel().physical(), 27);
  ASSERT_TRUE(testsupport::WaitUntil([&] { return target_.Tunes() == 1; }, 5000));
  EXPECT_EQ(target_.tuned[0], 27u);
}

// The PIDs the tuner filter's PID-filter node passes.
std::vector<ULONG> TunerFilterPids(IBaseFilter* tuner) {
  ComPtr<IBDA_Topology> topology;
  if (FAILED(tuner->QueryInterface(IID_PPV_ARGS(&topology)))) return {};
  ULONG count = 0;
  BDANODE_DESCRIPTOR nodes[16];
  topology->GetNodeDescriptors(&count, 16, nodes);
  std::vector<ULONG> pids;
  for (ULONG i = 0; i < count && i < 16; ++i) {
    if (nodes[i].guidFunction != KSNODE_BDA_PID_FILTER) continue;
    ComPtr<IUnknown> node;
    ComPtr<IEnumPIDMap> maps;
    if (FAILED(topology->GetControlNode(0, 1, nodes[i].ulBdaNodeType, &node)) ||
        FAILED(node.As<IMPEG2PIDMap>()->EnumPIDMap(&maps)))
      return {};
    PID_MAP map;
    ULONG fetched = 0;
    while (maps->Next(1, &map, &fetched) == S_OK && fetched == 1)
      pids.push_back(map.ulPID);
  }
  return pids;
}

// A tuner filter that passes only mapped PIDs must pass the tables along with
// the channel's streams from the start, not from the next poll.
TEST_F(ManagerTest, TheTablePidsPassTheTunerFilterFromTheRunAndEveryTuneOn) {
  auto graph = Make();
  ASSERT_EQ(graph->RequestGraphState(32, 0), S_OK);
  const auto passesTables = [&] {
    const auto pids = TunerFilterPids(graph->Ingest().Tuner());
    return std::count(pids.begin(), pids.end(), ULONG{0x00}) == 1 &&
           std::count(pids.begin(), pids.end(), ULONG{0x1FFB}) == 1;
  };
  EXPECT_TRUE(passesTables());
  ASSERT_EQ(graph->TuneRequest(ChannelLocator::Make(27, 1, 27, 0, 1), true), S_OK);
  ASSERT_TRUE(testsupport::WaitUntil([&] { return target_.Tunes() == 1; }, 5000));
  EXPECT_TRUE(passesTables());
}

TEST_F(ManagerTest, TunesWithoutATunerGraphDoNothing) {
  auto graph = Make();
  ASSERT_EQ(graph->TuneRequest(ChannelLocator::Make(27, 1, 27, 0, 1), false), S_OK);
  ASSERT_EQ(graph->PostGraphState(32, 0), S_OK);
  ASSERT_TRUE(
      testsupport::WaitUntil([&] { return graph->Tuner() == TunerState::kTunerBuffered; }, 5000));
  EXPECT_EQ(target_.Tunes(), 0u);
}

TEST_F(ManagerTest, ATuneForARecordingRunsAtOnceAndDropsTheQueuedTunes) {
  auto graph = Make();
  RecorderGraph recorder(*graph);
  ASSERT_EQ(recorder.RequestGraphState(32, 0), S_OK);
  ASSERT_EQ(graph->TuneRequest(ChannelLocator::Make(27, 1, 27, 0, 1), false), S_OK);
  ASSERT_EQ(recorder.TuneForRecording(ChannelLocator::Make(29, 1, 29, 0, 1)), S_OK);
  EXPECT_EQ(graph->CurrentChannel().physical(), 29);
  {
    std::lock_guard guard(target_.lock);
    ASSERT_FALSE(target_.tuned.empty());
    EXPECT_EQ(target_.tuned.back(), 29u);  // tuned before the call returned
  }
  // A later tune runs; the one queued before the recording's never does.
  ASSERT_EQ(graph->TuneRequest(ChannelLocator::Make(31, 1, 31, 0, 1), false), S_OK);
  ASSERT_TRUE(testsupport::WaitUntil(
      [&] {
        std::lock_guard guard(target_.lock);
        return target_.tuned.back() == 31u;
      },
      5000));
  std::lock_guard guard(target_.lock);
  const auto at = std::find(target_.tuned.begin(), target_.tuned.end(), 29u);
  EXPECT_EQ(std::vector<std::uint32_t>(at, target_.tuned.end()),
            (std::vector<std::uint32_t>{29, 31}));
}

}  // namespace
}  // namespace graph::test
