// A running graph feeds the sink real MPEG-2 video and AC-3 audio (encoded by
// libavcodec) plus programme text; the file it writes must play in FFmpeg.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "common/Utf16.h"
#include "filters/sink/PsFormat.h"
#include "tests/sink_filter/SinkGraph.h"
#include "tests/support/ExternalTool.h"
#include "tools/broadcast/ElementaryLoop.h"

namespace filters::test {
namespace {

// 90 kHz -> 100 ns.
REFERENCE_TIME From90k(std::uint64_t t) {
  return static_cast<REFERENCE_TIME>(t) * 1000 / 9;
}

struct Delivery {
  REFERENCE_TIME order;  // decode time: the order a demultiplexer delivers in
  CPushSource* source;
  const broadcast::Bytes* data;
  REFERENCE_TIME start;
};

std::string Output(const std::string& command) {
  return testsupport::RunTool(command).output;
}

std::size_t Count(const std::string& text, const std::string& what) {
  std::size_t n = 0;
  for (auto pos = text.find(what); pos != std::string::npos; pos = text.find(what, pos + 1))
    ++n;
  return n;
}

TEST(SinkGraph, WritesProgrammeStreamThatFfmpegPlays) {
  CORVANE_REQUIRE_TOOLS("ffprobe", "ffmpeg");
  broadcast::ChannelDescription channel;
  channel.major = 7;
  channel.minor = 1;
  channel.name = "SINK";
  channel.videoPid = 0x31;
  channel.audioPid = 0x34;
  broadcast::LoopOptions options;
  options.width = 320;
  options.height = 180;
  options.frames = 60;
  broadcast::EncodedLoop loop;
  std::string error;
  ASSERT_TRUE(broadcast::LoadOrEncodeLoop(channel, options, {}, loop, error)) << error;

  SinkGraph g;
  filters::test::TempDir dir;
  ComPtr<IFileSinkFilter> file;
  ASSERT_EQ(g.sink->QueryInterface(IID_PPV_ARGS(&file)), S_OK);
  ASSERT_EQ(file->SetFileName(dir.File("live.lst").c_str(), nullptr), S_OK);
  const std::string chunk = common::ToUtf8(g.sink->Core().CurrentPath());
  EXPECT_EQ(chunk, (dir.Path() / "live_0000.mpg").string());

  // Three passes of the loop, timestamps running on, one text sample a second.
  // The audio loop has a length of its own; it runs on as long as the video.
  constexpr int kPasses = 3;
  const std::uint64_t end90k = kPasses * loop.videoDuration;
  const broadcast::Bytes text(200, 0x41);
  std::vector<Delivery> plan;
  for (int pass = 0; pass < kPasses; ++pass) {
    const std::uint64_t offset = pass * loop.videoDuration;
    for (const auto& unit : loop.video)
      plan.push_back(
          {From90k(unit.dts + offset), g.video.Get(), &unit.data, From90k(unit.pts + offset)});
  }
  for (std::uint64_t offset = 0; offset < end90k; offset += loop.audioDuration) {
    for (const auto& unit : loop.audio) {
      if (unit.pts + offset >= end90k) break;
      plan.push_back(
          {From90k(unit.dts + offset), g.audio.Get(), &unit.data, From90k(unit.pts + offset)});
    }
  }
  const REFERENCE_TIME total = From90k(end90k);
  for (REFERENCE_TIME t = 0; t < total; t += 10'000'000)
    plan.push_back({t, g.text.Get(), &text, t});
  std::stable_sort(plan.begin(), plan.end(),
                   [](const Delivery& a, const Delivery& b) { return a.order < b.order; });

  ASSERT_EQ(g.control->Run(), S_OK);
  for (const Delivery& d : plan) {
    // Elementary-stream samples of at most 4096 bytes, the time on the first.
    const std::span<const std::uint8_t> bytes(*d.data);
    for (std::size_t pos = 0; pos < bytes.size(); pos += 4096) {
      const auto piece = bytes.subspan(pos, std::min<std::size_t>(4096, bytes.size() - pos));
      ASSERT_EQ(d.source->Push(piece, pos == 0 ? std::optional(d.start) : std::nullopt), S_OK);
    }
  }

  // Completion needs all three pins' end of stream.
  LONG code = 0;
  LONG_PTR p1 = 0, p2 = 0;
  g.video->EndOfStream();
  g.audio->EndOfStream();
  EXPECT_EQ(g.events->GetEvent(&code, &p1, &p2, 100), E_ABORT);
  g.text->EndOfStream();
  EXPECT_EQ(g.events->WaitForCompletion(5000, &code), S_OK);
  EXPECT_EQ(code, EC_COMPLETE);
  ASSERT_EQ(g.control->Stop(), S_OK);
  EXPECT_FALSE(g.sink->Core().FileOpen());

  const auto written = filters::test::ReadAll(chunk);
  ASSERT_GT(written.size(), 100 * filters::kPackSize);
  EXPECT_EQ(written.size() % filters::kPackSize, 4u);
  EXPECT_TRUE(std::equal(written.end() - 4, written.end(), std::begin(filters::kProgramEndCode)));

  const std::string probe =
      Output("ffprobe -v error -show_streams -show_format '" + chunk + "' 2>&1");
  EXPECT_EQ(Count(probe, "[STREAM]"), 2u) << probe;
  EXPECT_EQ(Count(probe, "codec_name=mpeg2video"), 1u) << probe;
  EXPECT_EQ(Count(probe, "codec_name=ac3"), 1u) << probe;
  const auto at = probe.find("[FORMAT]");
  ASSERT_NE(at, std::string::npos) << probe;
  const auto durationAt = probe.find("duration=", at);
  ASSERT_NE(durationAt, std::string::npos) << probe;
  const double duration = std::atof(probe.c_str() + durationAt + 9);
  const double expected = static_cast<double>(total) / 1e7;
  EXPECT_NEAR(duration, expected, 0.5) << probe;

  const std::string decode = Output("ffmpeg -nostdin -v error -i '" + chunk + "' -f null - 2>&1");
  EXPECT_EQ(decode, "");
}

}  // namespace
}  // namespace filters::test
