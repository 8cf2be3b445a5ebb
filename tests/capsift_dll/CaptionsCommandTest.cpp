// corvane-cli's captions command on files written here from real encoder
// output, and the elementary-stream sample cutter behind it.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "capsift/CPictureAssembler.h"
#include "capsift/dll/Cea608Text.h"
#include "capsift/dll/EsPictureSamples.h"
#include "tests/capsift/CaptureSink.h"
#ifdef CAPSIFT_TEST_PS
#include "filters/sink/Mpeg2SinkCore.h"
#endif
#include "tests/capsift/Mpeg2Encode.h"
#include "tests/support/ExternalTool.h"
#include "tests/support/TempFolder.h"

namespace capsift::test {
namespace {

std::vector<EncodedPacket> Video(int frames) {
  EncodeOptions options;
  options.frames = frames;
  options.constructs = [](int n) {
    // Two pairs a frame: a letter pair, and on every tenth frame a control
    // code (end of caption) instead of padding.
    const std::uint8_t a = WithOddParity(static_cast<std::uint8_t>('A' + n % 26));
    const std::uint8_t b = WithOddParity(static_cast<std::uint8_t>('a' + n % 26));
    return n % 10 == 9 ? std::vector<std::uint8_t>{0xFC, a, b, 0xFC, 0x94, 0x2F}
                       : std::vector<std::uint8_t>{0xFC, a, b};
  };
  return EncodeMpeg2(options);
}

std::vector<std::uint8_t> Concatenate(const std::vector<EncodedPacket>& packets) {
  std::vector<std::uint8_t> all;
  for (const auto& p : packets)
    all.insert(all.end(), p.data.begin(), p.data.end());
  return all;
}

TEST(EsPictureSamples, CutsPicturesAndTimesThemAsTheEncoderDid) {
  const auto packets = Video(40);
  const auto all = Concatenate(packets);
  // Fed in uneven pieces, the cut must not depend on them.
  EsPictureSamples cutter;
  std::vector<EsSample> samples;
  for (std::size_t i = 0; i < all.size(); i += 777) {
    cutter.Push(std::span(all).subspan(i, std::min<std::size_t>(777, all.size() - i)), samples);
  }
  cutter.Finish(samples);
  ASSERT_EQ(samples.size(), packets.size());
  for (std::size_t i = 0; i < samples.size(); ++i) {
    SCOPED_TRACE(i);
    EXPECT_EQ(samples[i].bytes, packets[i].data);
    ASSERT_TRUE(samples[i].startTime.has_value());
    EXPECT_EQ(*samples[i].startTime, packets[i].startTime);
  }
}

TEST(EsPictureSamples, BytesBeforeAnySequenceHeaderHaveNoTime) {
  EsPictureSamples cutter;
  std::vector<EsSample> samples;
  const std::vector<std::uint8_t> bytes = {0x00, 0x00, 0x01, 0x00, 0x00, 0x08, 0x00,
                                           0x00, 0x01, 0x00, 0x00, 0x10, 0x00};
  cutter.Push(bytes, samples);
  cutter.Finish(samples);
  ASSERT_EQ(samples.size(), 2u);
  EXPECT_FALSE(samples[0].startTime);
  EXPECT_FALSE(samples[1].startTime);
  EXPECT_EQ(EsPictureSamples::FramePeriod(4), 333667);
  EXPECT_EQ(EsPictureSamples::FramePeriod(0), 0);
  EXPECT_EQ(EsPictureSamples::FramePeriod(9), 0);
}

#ifdef CORVANE_CLI_PATH

using testsupport::TempFolder;

struct CommandRun {
  int status = -1;
  std::vector<std::string> lines;
};

CommandRun RunCommand(const std::string& command) {
  const testsupport::ToolRun tool = testsupport::RunTool(command);
  CommandRun run{tool.status, {}};
  std::istringstream lines(tool.output);
  for (std::string line; std::getline(lines, line);)
    run.lines.push_back(line);
  return run;
}

CommandRun Captions(const std::filesystem::path& file, const std::string& extra = "") {
  return RunCommand(std::string("'") + CORVANE_CLI_PATH + "' captions '" + file.string() + "' " +
                    extra + " 2>/dev/null");
}

struct Line {
  double seconds;
  std::string hex;
  std::string text;
};

// "    1.200  c1 61  94 2f  Aa{EOC}": time, pairs, text; lines of other
// shapes (the programme line, the count) are skipped.
std::vector<Line> UnitLines(const CommandRun& run) {
  std::vector<Line> units;
  for (const auto& l : run.lines) {
    std::istringstream in(l);
    Line unit;
    if (!(in >> unit.seconds)) continue;
    const auto rest = l.substr(static_cast<std::size_t>(in.tellg()) + 2);
    const auto gap = rest.rfind("  ");
    if (gap == std::string::npos) continue;
    unit.hex = rest.substr(0, gap);
    unit.text = rest.substr(gap + 2);
    units.push_back(unit);
  }
  return units;
}

TEST(CaptionsCommand, ElementaryStreamGivesOneLinePerUnit) {
  const auto packets = Video(40);
  TempFolder folder;
  const auto file = folder.Path() / "captions.m2v";
  {
    const auto all = Concatenate(packets);
    std::ofstream out(file, std::ios::binary);
    out.write(reinterpret_cast<const char*>(all.data()), static_cast<std::streamsize>(all.size()));
  }
  // What the extractor gives for the encoder's own packets and times.
  CaptureSink sink;
  CPictureAssembler assembler(&sink);
  for (const auto& p : packets) {
    assembler.SetInputStartTime(p.startTime);
    assembler.Push(p.data);
  }
  ASSERT_GE(sink.units.size(), 30u);

  const CommandRun run = Captions(file);
  EXPECT_EQ(run.status, 0);
  const auto lines = UnitLines(run);
  ASSERT_EQ(lines.size(), sink.units.size());
  Cea608Text text;
  for (std::size_t i = 0; i < lines.size(); ++i) {
    SCOPED_TRACE(i);
    EXPECT_NEAR(lines[i].seconds, static_cast<double>(sink.units[i].startTime) / 1e7, 5e-4);
    EXPECT_EQ(lines[i].hex, FormatPairs(sink.units[i].bytes));
    EXPECT_EQ(lines[i].text, text.Decode(sink.units[i].bytes));
  }
  EXPECT_EQ(lines[0].text, "Aa");
  EXPECT_EQ(lines[9].text, "Jj{EOC}");
  EXPECT_EQ(run.lines.back(), std::to_string(lines.size()) + " caption units");
}

TEST(CaptionsCommand, TransportStreamFindsTheProgrammesVideo) {
  CORVANE_REQUIRE_TOOLS("ffmpeg");
  const auto packets = Video(40);
  TempFolder folder;
  const auto es = folder.Path() / "captions.m2v";
  const auto ts = folder.Path() / "captions.ts";
  {
    const auto all = Concatenate(packets);
    std::ofstream out(es, std::ios::binary);
    out.write(reinterpret_cast<const char*>(all.data()), static_cast<std::streamsize>(all.size()));
  }
  const std::string mux = "ffmpeg -loglevel error -y -fflags +genpts -r 25 -f mpegvideo -i '" +
                          es.string() + "' -c copy -mpegts_service_id 7 -f mpegts '" + ts.string() +
                          "'";
  ASSERT_EQ(std::system(mux.c_str()), 0);

  const auto fromEs = UnitLines(Captions(es));
  const CommandRun run = Captions(ts);
  EXPECT_EQ(run.status, 0);
  ASSERT_FALSE(run.lines.empty());
  EXPECT_EQ(run.lines.front().rfind("Programme 7, video PID", 0), 0u) << run.lines.front();
  const auto fromTs = UnitLines(run);
  // The same units; times on the stream's own clock, a constant offset away.
  ASSERT_EQ(fromTs.size(), fromEs.size());
  for (std::size_t i = 0; i < fromTs.size(); ++i) {
    SCOPED_TRACE(i);
    EXPECT_EQ(fromTs[i].hex, fromEs[i].hex);
    EXPECT_NEAR(fromTs[i].seconds - fromTs[0].seconds, fromEs[i].seconds - fromEs[0].seconds, 2e-3);
  }

  EXPECT_EQ(UnitLines(Captions(ts, "--program 7")).size(), fromEs.size());
  const CommandRun missing = Captions(ts, "--program 99");
  EXPECT_NE(missing.status, 0);
  EXPECT_TRUE(UnitLines(missing).empty());
}

#ifdef CAPSIFT_TEST_PS
// A recording written by the programme-stream sink from the encoder's
// packets (one timed sample a picture, cut at the pin's buffer size).
TEST(CaptionsCommand, RecordingOfOurOwnFormat) {
  const auto packets = Video(40);
  TempFolder folder;
  const auto es = folder.Path() / "captions.m2v";
  {
    const auto all = Concatenate(packets);
    std::ofstream out(es, std::ios::binary);
    out.write(reinterpret_cast<const char*>(all.data()), static_cast<std::streamsize>(all.size()));
  }
  const auto recording = folder.Path() / "captions.mpg";
  {
    filters::Mpeg2SinkCore sink;
    const filters::FilterClock clock{true, 0};
    const std::u16string name = recording.u16string();
    ASSERT_EQ(sink.SetFileName(name.c_str(), clock), filters::FileNameResult::kOpened);
    for (const auto& p : packets) {
      for (std::size_t i = 0; i < p.data.size(); i += filters::kInputBufferSize) {
        filters::InputSample sample;
        sample.data = std::span(p.data).subspan(
            i, std::min<std::size_t>(filters::kInputBufferSize, p.data.size() - i));
        sample.timed = i == 0;
        sample.start = p.startTime;
        sample.stop = p.startTime + 1;
        sink.Receive(filters::PinType::kVideo, sample, clock);
      }
    }
    sink.Stop();
  }
  const auto fromEs = UnitLines(Captions(es));
  const CommandRun run = Captions(recording);
  EXPECT_EQ(run.status, 0);
  const auto fromPs = UnitLines(run);
  // The recording may hold back the last group of pictures; what it has
  // matches the elementary stream's units, a constant time offset away.
  ASSERT_GE(fromPs.size() + 16, fromEs.size());
  ASSERT_LE(fromPs.size(), fromEs.size());
  ASSERT_FALSE(fromPs.empty());
  for (std::size_t i = 0; i < fromPs.size(); ++i) {
    SCOPED_TRACE(i);
    EXPECT_EQ(fromPs[i].hex, fromEs[i].hex);
    EXPECT_NEAR(fromPs[i].seconds - fromPs[0].seconds, fromEs[i].seconds - fromEs[0].seconds, 2e-3);
  }
}
#endif

TEST(CaptionsCommand, RefusesBadArguments) {
  EXPECT_NE(RunCommand(std::string("'") + CORVANE_CLI_PATH + "' captions 2>/dev/null").status, 0);
  EXPECT_NE(Captions("/no/such/file.m2v").status, 0);
  TempFolder folder;
  std::ofstream(folder.Path() / "x.m2v") << "x";
  EXPECT_NE(Captions(folder.Path() / "x.m2v", "--program nine").status, 0);
  EXPECT_NE(Captions(folder.Path() / "x.m2v", "--program").status, 0);
  EXPECT_EQ(Captions(folder.Path() / "x.m2v").status, 0);  // no video in it, no captions
}

#endif

}  // namespace
}  // namespace capsift::test
