// "corvane-cli psip" on captures of the sample broadcast (and one DVB-T
// multiplex with a service name longer than a channel name holds): the
// channels each multiplex declares, the dumps, the guide of the moment and
// the transport dump of one pass.
#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <iterator>
#include <set>
#include <string>
#include <tuple>
#include <vector>

#include "common/TimeBase.h"
#include "common/Utf16.h"
#include "tests/support/Bytes.h"
#include "tests/support/ExternalTool.h"
#include "tests/vtuner/TestCapture.h"
#include "tools/broadcast/CaptureWriter.h"
#include "tools/broadcast/Description.h"
#include "tools/broadcast/GuideContent.h"
#include "tools/cli/psip/PsipRun.h"
#include "tuning/BandPlan.h"

namespace {

constexpr double kCaptureSeconds = 3.0;

// A DVB-T service name of 21 characters; channel records hold 15.
constexpr const char* kLongNameMultiplex = R"(
multiplex "Antenna EU" 30 COFDM:64-QAM synthetic "Long Names"
  tables dvb
  tsid 0x041E
  channel 4 program=4 name="Corvane Sechzehn Plus" guide=kids
)";

struct Captures {
  Captures() {
    const std::string text = std::string(broadcast::SampleBroadcastText()) + kLongNameMultiplex;
    ok = broadcast::ParseBroadcastDescription(text, description, error) &&
         broadcast::WriteCaptures(description, kCaptureSeconds, folder.Path(), {}, files, error);
  }
  vtuner::test::TempFolder folder;
  broadcast::BroadcastDescription description;
  std::vector<std::filesystem::path> files;
  std::string error;
  bool ok = false;
};

const Captures& SampleCaptures() {
  static const Captures captures;
  return captures;
}

std::string ReadFile(const std::filesystem::path& path) {
  return testsupport::ReadText(path);
}

// "Guide.txt" is UTF-16LE with a byte-order mark.
std::string ReadUtf16File(const std::filesystem::path& path) {
  const std::string bytes = ReadFile(path);
  std::u16string text;
  for (std::size_t i = 2; i + 1 < bytes.size(); i += 2) {
    text.push_back(static_cast<char16_t>(static_cast<unsigned char>(bytes[i]) |
                                         static_cast<unsigned char>(bytes[i + 1]) << 8));
  }
  return common::ToUtf8(text);
}

std::string Latin1ToUtf8(const std::string& latin1) {
  std::u16string text;
  for (unsigned char c : latin1)
    text.push_back(c);
  return common::ToUtf8(text);
}

using Result = testsupport::StreamsRun;

Result RunPsip(const std::vector<std::string>& args) {
  return testsupport::RunWithStreams(
      [&](std::FILE* out, std::FILE* err) { return cli::RunPsip(args, out, err); });
}

// A channel as the tree shows it: number, band letter, physical channel, name.
using TreeItem = std::tuple<int, int, char, int, std::string>;

std::multiset<TreeItem> ParseTree(const std::string& out) {
  std::multiset<TreeItem> items;
  std::size_t at = 0;
  while (at < out.size()) {
    const std::size_t end = out.find('\n', at);
    const std::string line = out.substr(at, end - at);
    at = end == std::string::npos ? out.size() : end + 1;
    if (line.empty() || line[0] == ' ') continue;  // guide lines are indented
    int major = 0, minor = 0, physical = 0, used = 0;
    char letter = 0;
    if (std::sscanf(line.c_str(), "%d.%d (%c%d) %n", &major, &minor, &letter, &physical, &used) ==
            4 ||
        std::sscanf(line.c_str(), "%d (%c%d) %n", &major, &letter, &physical, &used) == 3) {
      items.emplace(major, minor, letter, physical, line.substr(static_cast<std::size_t>(used)));
    } else {
      ADD_FAILURE() << "not a channel line: " << line;
    }
  }
  return items;
}

// What a scan of the multiplex yields: VCT channels (analog entries left out,
// hidden ones kept) with their 7-character short names; without a VCT, the
// programmes with video: named by the SDT service (15 characters) with the
// programme number as a one-part number, or "physical.programme".
std::multiset<TreeItem> ExpectedTree(const broadcast::MultiplexDescription& m) {
  std::multiset<TreeItem> items;
  const char letter = m.channelMap == tuning::kAntennaUs ? 'A' : 'C';
  for (const broadcast::ChannelDescription& c : m.channels) {
    switch (m.tables) {
      case broadcast::TableSet::kTvct:
      case broadcast::TableSet::kCvct:
        if (c.analog) break;
        items.emplace(c.major, c.OnePart() ? 0 : c.minor, letter, m.physical, c.name.substr(0, 7));
        break;
      case broadcast::TableSet::kPsiOnly:
        if (!c.HasVideo()) break;
        items.emplace(m.physical, c.programNumber, letter, m.physical,
                      std::to_string(m.physical) + "." + std::to_string(c.programNumber));
        break;
      case broadcast::TableSet::kDvb:
        if (c.HasVideo())
          items.emplace(c.programNumber, 0, letter, m.physical, c.name.substr(0, 15));
        break;
    }
  }
  return items;
}

TEST(PsipCommandTest, EachMultiplexYieldsItsChannelsGuideDumpsAndOnePassOfTransportStream) {
  const Captures& captures = SampleCaptures();
  ASSERT_TRUE(captures.ok) << captures.error;
  ASSERT_EQ(captures.files.size(), captures.description.multiplexes.size());
  for (std::size_t i = 0; i < captures.files.size(); ++i) {
    const broadcast::MultiplexDescription& m = captures.description.multiplexes[i];
    SCOPED_TRACE(m.name);
    const std::filesystem::path out = captures.folder.Path() / ("out-" + std::to_string(i));
    const std::filesystem::path dump =
        captures.folder.Path() / ("dump-" + std::to_string(i) + ".ts");
    const std::int64_t now = common::NowUtc();
    const Result r = RunPsip(
        {captures.files[i].string(), "--map", tuning::ChannelMapName(m.channelMap), "--physical",
         std::to_string(m.physical), "--modulation", tuning::ModulationName(m.modulation), "--dump",
         dump.string(), "--out", out.string(), "--guide"});
    ASSERT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(r.err, "");
    EXPECT_EQ(ParseTree(r.out), ExpectedTree(m)) << r.out;

    // The transport dump holds exactly one pass of the capture.
    const std::string capture = ReadFile(captures.files[i]);
    const std::string dumped = ReadFile(dump);
    EXPECT_EQ(dumped.size(), capture.size());
    EXPECT_TRUE(dumped == capture);

    const std::string psipText = ReadFile(out / "PSIP.txt");
    const std::string guideText = ReadUtf16File(out / "Guide.txt");
    // The store's dump: the PAT, and the PSIP or DVB SI tables where sent.
    EXPECT_NE(psipText.find("PID=0x0000"), std::string::npos);
    const bool atsc =
        m.tables == broadcast::TableSet::kTvct || m.tables == broadcast::TableSet::kCvct;
    const bool dvb = m.tables == broadcast::TableSet::kDvb;
    EXPECT_EQ(psipText.find("PID=0x1FFB") != std::string::npos, atsc);
    EXPECT_EQ(psipText.find("PID=0x0011") != std::string::npos, dvb);
    // The programme on the air now, with its description where the broadcast
    // sends one as extended text (ATSC).
    for (const broadcast::ChannelDescription& c : m.channels) {
      if (c.analog || c.hideGuide || !c.HasVideo() || m.tables == broadcast::TableSet::kPsiOnly)
        continue;
      const broadcast::GuideEvent event = broadcast::EventAt(c, now);
      SCOPED_TRACE(c.name + ": " + event.titleText);
      if (!event.titleText.empty()) {
        const std::string title = Latin1ToUtf8(event.titleText);
        EXPECT_NE(r.out.find(title), std::string::npos);
        EXPECT_NE(guideText.find(title), std::string::npos);
      }
      if (m.tables != broadcast::TableSet::kDvb) {
        EXPECT_NE(r.out.find(Latin1ToUtf8(event.description)), std::string::npos) << r.out;
      }
    }
  }
}

TEST(PsipCommandTest, RefusesWhatCannotBeReceivedWithOneLine) {
  const Captures& captures = SampleCaptures();
  ASSERT_TRUE(captures.ok) << captures.error;
  const std::string capture = captures.files.front().string();
  const std::string out = (captures.folder.Path() / "refused").string();
  const std::vector<std::vector<std::string>> cases = {
      {(captures.folder.Path() / "missing.ts").string(), "--map", "Antenna US", "--physical", "7",
       "--modulation", "VSB:8-VSB", "--out", out},
      {capture, "--map", "Antenna Mars", "--physical", "7", "--modulation", "VSB:8-VSB", "--out",
       out},
      {capture, "--map", "Antenna US", "--physical", "7", "--modulation", "VSB:16-VSB", "--out",
       out},
      {capture, "--map", "Antenna US", "--physical", "70", "--modulation", "VSB:8-VSB", "--out",
       out},
      {capture, "--map", "Antenna US", "--physical", "x7", "--modulation", "VSB:8-VSB", "--out",
       out},
  };
  for (const auto& args : cases) {
    SCOPED_TRACE(args[0] + " " + args[2] + " " + args[4] + " " + args[6]);
    const Result r = RunPsip(args);
    EXPECT_EQ(r.code, 1);
    EXPECT_EQ(r.out, "");
    ASSERT_FALSE(r.err.empty());
    EXPECT_EQ(r.err.find('\n'), r.err.size() - 1) << r.err;
  }
  EXPECT_FALSE(std::filesystem::exists(out));
  // Missing arguments are a usage error.
  EXPECT_EQ(RunPsip({capture, "--map", "Antenna US"}).code, 2);
}

}  // namespace
