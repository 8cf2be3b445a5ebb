// A real recording through the file player, faster than real time.
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <thread>

#include "common/ErrorBox.h"
#include "common/Utf16.h"
#include "filters/sink/ChunkList.h"
#include "graph/player/GraphEvents.h"
#include "graph/player/StreamBufferPlayback.h"
#include "platform/av/decoders/Mpeg2VideoDecoder.h"
#include "tests/av_decoders/SampleRecording.h"
#include "tests/player/PlayerFixture.h"
#include "tests/support/Bytes.h"
#include "tests/support/TempFolder.h"

namespace player::test {
namespace {

using graph::PlayerRunState;
using graph::PlayerState;

// Waits for the graph's end of stream, as the main window would see it.
bool WaitForComplete(IGraphBuilder* graph) {
  ComPtr<IMediaEventEx> events;
  if (FAILED(graph->QueryInterface(IID_PPV_ARGS(&events)))) return false;
  const auto limit = std::chrono::steady_clock::now() + std::chrono::seconds(20);
  while (std::chrono::steady_clock::now() < limit) {
    LONG code = 0;
    LONG_PTR first = 0, second = 0;
    if (events->GetEvent(&code, &first, &second, 100) != S_OK) continue;
    events->FreeEventParams(code, first, second);
    if (code == EC_COMPLETE) return true;
  }
  return false;
}

std::uint64_t VideoFrames(graph::PlayerGraph& player) {
  const ComPtr<IBaseFilter> decoder = player.VideoDecoder();
  auto* mpeg2 = dynamic_cast<av::CMpeg2VideoDecoder*>(decoder.Get());
  return mpeg2 ? mpeg2->Stats().frames : 0;
}

TEST(Playback, ARecordingPlaysToItsEndPausesAndPlaysAgainFromTheStart) {
  testsupport::TempFolder folder("corvane-playback");
  avtest::SampleRecording recording;
  std::string error;
  ASSERT_TRUE(avtest::WriteSampleRecording(folder.Path(), -1, recording, error)) << error;

  graph::PlayerOptions options = TestOptions();
  options.paced = false;
  graph::VideoWindowState window;
  graph::PlayerGraph player(window);
  player.SetOptions(options);
  player.SetPlaybackFile(common::FromUtf8(recording.path.string()));
  ASSERT_EQ(player.Build(PlayerState::kPlayerFile, nullptr, u""), S_OK);

  ASSERT_EQ(player.Run(), S_OK);
  ASSERT_TRUE(WaitForComplete(player.Graph().Get()));
  player.EndOfFile();
  EXPECT_EQ(player.RunState(), PlayerRunState::kPaused);
  EXPECT_TRUE(player.AtEndOfFile());
  const std::uint64_t once = VideoFrames(player);
  EXPECT_GE(once, recording.pictures - 2);

  ASSERT_EQ(player.Run(), S_OK);
  EXPECT_FALSE(player.AtEndOfFile());
  ASSERT_TRUE(WaitForComplete(player.Graph().Get()));
  EXPECT_EQ(VideoFrames(player), 2 * once);
  player.Stop();
  player.TearDown();
}

TEST(Playback, AStreamBufferRecordingPlaysThroughTheStreamBufferSource) {
  testsupport::TempFolder folder("corvane-playback");
  avtest::SampleRecording recording;
  std::string error;
  ASSERT_TRUE(avtest::WriteSampleRecording(folder.Path(), -1, recording, error)) << error;
  // The engine's recordings hold the same programme stream.
  const std::filesystem::path path = folder.Path() / "recording.dvr-ms";
  std::filesystem::rename(recording.path, path);

  graph::UseStreamBufferSource();
  graph::PlayerOptions options = TestOptions();
  options.paced = false;
  graph::VideoWindowState window;
  graph::PlayerGraph player(window);
  player.SetOptions(options);
  player.SetPlaybackFile(common::FromUtf8(path.string()));
  ASSERT_EQ(player.Build(PlayerState::kPlayerFile, nullptr, u""), S_OK);
  ASSERT_EQ(player.Run(), S_OK);
  ASSERT_TRUE(WaitForComplete(player.Graph().Get()));
  EXPECT_GE(VideoFrames(player), recording.pictures - 2);
  player.Stop();
  player.TearDown();
}

// The main window's part: traces kept, nothing else to do here.
struct WindowActions : graph::IGraphEventActions {
  void Trace(const std::string& line) override { traces += line; }
  void RefreshControls() override {}
  void LayOutVideo() override {}
  std::string traces;
};

TEST(Playback, AListDamagedWhilePlayedStopsAfterWhatItNamedAndSaysSo) {
  testsupport::TempFolder folder("corvane-playback");
  avtest::SampleRecording recording;
  std::string error;
  ASSERT_TRUE(avtest::WriteSampleRecording(folder.Path(), -1, recording, error)) << error;
  // A list naming the recording as its one live chunk.
  filters::ChunkList list;
  list.newest = 0;
  list.oldest = 0;
  list.liveCount = 1;
  list.nextNumber = 1;
  list.Slot(0).state = filters::kSlotLive;
  list.Slot(0).sequence = 0;
  const std::u16string chunk = common::FromUtf8(recording.path.string());
  std::copy(chunk.begin(), chunk.end(), list.Slot(0).path.begin());
  const std::filesystem::path listPath = folder.Path() / "buffer.lst";
  const auto bytes = list.Serialize();
  ASSERT_TRUE(testsupport::WriteBytes(listPath, {bytes.begin(), bytes.end()}));

  graph::PlayerOptions options = TestOptions();
  options.paced = false;
  graph::VideoWindowState window;
  graph::PlayerGraph player(window);
  player.SetOptions(options);
  ASSERT_EQ(
      player.Build(PlayerState::kPlayerTimeShift, nullptr, common::FromUtf8(listPath.string())),
      S_OK);
  ASSERT_EQ(player.SeekToFraction(0, 1), S_OK);  // from the start, not the live end
  // The player has the list; from now on every copy it reads is garbage.
  ASSERT_TRUE(testsupport::WriteBytes(listPath, std::vector<std::uint8_t>(bytes.size(), 0xA5)));

  common::ErrorCapture boxes;
  ASSERT_EQ(player.Run(), S_OK);
  ComPtr<IMediaEventEx> events;
  ASSERT_EQ(player.Graph()->QueryInterface(IID_PPV_ARGS(&events)), S_OK);
  WindowActions actions;
  const auto limit = std::chrono::steady_clock::now() + std::chrono::seconds(20);
  while (boxes.Messages().empty() && std::chrono::steady_clock::now() < limit) {
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    graph::HandlePlayerGraphEvents(events.Get(), player, actions);
  }
  EXPECT_EQ(boxes.Captions(), std::vector<std::string>{"MPEG-2 Source failure"}) << actions.traces;
  // The box comes with the source's end; the decoder may still be working
  // through what was delivered before it.
  const auto decoded = std::chrono::steady_clock::now() + std::chrono::seconds(20);
  while (VideoFrames(player) < recording.pictures - 2 && std::chrono::steady_clock::now() < decoded)
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  EXPECT_GE(VideoFrames(player), recording.pictures - 2);
  player.Stop();
  player.TearDown();
}

}  // namespace
}  // namespace player::test
