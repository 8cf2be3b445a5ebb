// Every video programme of the bundled sample broadcast, end to end: a few
// seconds of the simulator's multiplex, the programme's video pulled from it
// as the captions command pulls it (PAT and PMT, the demultiplexer's timed
// PES units, the caption extractor fed as the caption filter feeds it), the
// units compared with the caption track the simulator encoded, and their
// CEA-608 text with the captions it meant to show.
#include <gtest/gtest.h>

#include <cctype>
#include <cmath>
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "capsift/CaptionFeeder.h"
#include "capsift/dll/Cea608Text.h"
#include "graph/program/ProgramFinder.h"
#include "graph/program/ProgramVideo.h"
#include "tests/graph/PopOnScreen.h"
#include "tests/support/TempFolder.h"
#include "tools/broadcast/Description.h"
#include "tools/broadcast/ElementaryLoop.h"
#include "tools/broadcast/Multiplex.h"

namespace graph::test {
namespace {

// Long enough for two caption changes of the four-second loop and the start
// of its second round.
constexpr double kCaptureSeconds = 5.5;
// 29.97 frames/s in 100 ns units: 3003 ticks of 90 kHz.
constexpr double kFramePeriod = 3003.0 * 1e7 / 90000.0;

struct Unit {
  std::vector<std::uint8_t> bytes;
  std::int64_t start = 0;
};

class UnitCollector final : public capsift::ICaptionSink {
 public:
  void EmitCaptionUnit(std::span<const std::uint8_t> bytes, std::int64_t startTime) override {
    units.push_back({{bytes.begin(), bytes.end()}, startTime});
  }
  std::vector<Unit> units;
};

std::vector<std::uint8_t> Capture(broadcast::Multiplex& mux, double seconds) {
  const auto packets = static_cast<std::size_t>(
      std::ceil(seconds * static_cast<double>(mux.BitRate()) / (8.0 * broadcast::kPacketSize)));
  std::vector<std::uint8_t> bytes(packets * broadcast::kPacketSize);
  std::size_t used = 0;
  while (used < bytes.size()) {
    const std::size_t n = mux.Read(std::span(bytes).subspan(used));
    if (n == 0) break;
    used += n;
  }
  bytes.resize(used);
  return bytes;
}

// One unit per frame that carries a pair, in display order: unit i holds the
// one field-1 pair of frame k (counted in display order from the first
// unit's frame, the first of the loop), starts k frame periods after the
// first unit, and no frame with a pair is skipped up to the last unit.
// Returns the number of frames covered.
std::size_t ExpectOneUnitPerFrame(const std::vector<Unit>& units,
                                  const std::vector<broadcast::CaptionPair>& track) {
  EXPECT_FALSE(units.empty());
  if (units.empty() || track.empty()) return 0;
  std::vector<std::size_t> frames;
  for (std::size_t i = 0; i < units.size(); ++i) {
    SCOPED_TRACE("unit " + std::to_string(i));
    const Unit& unit = units[i];
    const double offset = static_cast<double>(unit.start - units.front().start);
    const long long frame = std::llround(offset / kFramePeriod);
    EXPECT_NEAR(offset, static_cast<double>(frame) * kFramePeriod, 2.0);
    if (frame < 0) {
      ADD_FAILURE() << "unit before the first one";
      continue;
    }
    if (!frames.empty()) {
      EXPECT_GT(static_cast<std::size_t>(frame), frames.back());
    }
    frames.push_back(static_cast<std::size_t>(frame));
    const broadcast::CaptionPair pair = track[frames.back() % track.size()];
    EXPECT_EQ(unit.bytes, std::vector<std::uint8_t>(pair.begin(), pair.end())) << "frame " << frame;
  }
  std::vector<std::size_t> expected;
  for (std::size_t k = 0; k <= frames.back(); ++k) {
    if (track[k % track.size()] != broadcast::kNullPair) expected.push_back(k);
  }
  EXPECT_EQ(frames, expected);
  return frames.back() + 1;
}

std::vector<std::size_t> SyntheticMultiplexes() {
  std::vector<std::size_t> indexes;
  const broadcast::BroadcastDescription sample = broadcast::SampleBroadcast();
  for (std::size_t i = 0; i < sample.multiplexes.size(); ++i) {
    const auto& m = sample.multiplexes[i];
    for (const auto& channel : m.channels) {
      if (m.synthetic && channel.HasVideo()) {
        indexes.push_back(i);
        break;
      }
    }
  }
  return indexes;
}

class SampleBroadcastCaptions : public testing::TestWithParam<std::size_t> {};

TEST_P(SampleBroadcastCaptions, EveryVideoProgrammeShowsItsCaptionsInDisplayOrder) {
  const broadcast::BroadcastDescription sample = broadcast::SampleBroadcast();
  const broadcast::MultiplexDescription& description = sample.multiplexes.at(GetParam());
  broadcast::MultiplexOptions options;
  options.clock = [] { return std::int64_t{1796683210} * 1'000'000; };
  options.cacheFolder = testsupport::BuildCacheFolder("broadcast");
  std::string error;
  const auto mux = broadcast::Multiplex::Create(description, options, error);
  ASSERT_TRUE(mux) << error;
  const std::vector<std::uint8_t> capture = Capture(*mux, kCaptureSeconds);

  for (std::size_t i = 0; i < description.channels.size(); ++i) {
    const broadcast::ChannelDescription& channel = description.channels[i];
    if (!channel.HasVideo()) continue;
    SCOPED_TRACE("channel " + channel.NumberText());
    const broadcast::EncodedLoop* loop = mux->ChannelLoop(i);
    ASSERT_NE(loop, nullptr);

    graph::MemoryChunks input(capture);
    graph::VideoStream video;
    ASSERT_EQ(graph::FindVideoStream(input, channel.programNumber, video),
              graph::FindVideoResult::kFound);
    EXPECT_EQ(video.pid, channel.videoPid);
    UnitCollector collector;
    capsift::CaptionFeeder feeder(&collector);
    graph::ReadProgramVideo(
        input, video.pid,
        [&feeder](std::span<const std::uint8_t> bytes, std::optional<std::int64_t> time,
                  bool discontinuity) { feeder.Sample(bytes, time, discontinuity); });

    const std::size_t frames = ExpectOneUnitPerFrame(collector.units, loop->captions);
    // Only the frames the extractor still holds at the end of the capture,
    // and the video the multiplexer sends ahead of time, are missing.
    EXPECT_GT(static_cast<double>(frames), (kCaptureSeconds - 1.5) * 1e7 / kFramePeriod);

    capsift::Cea608Text text;
    PopOnScreen screen;
    for (const Unit& unit : collector.units)
      screen.Feed(text.Decode(unit.bytes));
    const std::vector<std::vector<std::string>> meant = broadcast::LoopCaptionTexts(channel);
    const auto& shown = screen.Shown();
    ASSERT_GE(shown.size(), 2u);
    for (std::size_t c = 0; c < shown.size(); ++c) {
      SCOPED_TRACE("caption " + std::to_string(c));
      EXPECT_EQ(shown[c], meant[c % meant.size()]);
    }
  }
}

INSTANTIATE_TEST_SUITE_P(
    Sample, SampleBroadcastCaptions, testing::ValuesIn(SyntheticMultiplexes()),
    [](const testing::TestParamInfo<std::size_t>& info) {
      std::string name = broadcast::SampleBroadcast().multiplexes[info.param].CaptureFileName();
      for (char& c : name) {
        if (!std::isalnum(static_cast<unsigned char>(c))) c = '_';
      }
      return name;
    });

}  // namespace
}  // namespace graph::test
