#include <gtest/gtest.h>

#include "platform/bda/virtual/Description.h"
#include "tests/vtuner/TestCapture.h"

namespace vtuner::test {
namespace {

using common::DemodulatorFamily;

class Description : public ::testing::Test {
 protected:
  void SetUp() override {
    folder_.WriteText("news.ts", "");
    folder_.WriteText("sports.ts", "");
  }
  vtuner::DescriptionResult Parse(const std::string& text) {
    return vtuner::ParseDescription(text, folder_.Path(), "air.txt");
  }
  TempFolder folder_;
};

TEST_F(Description, ReadsEveryFormOfTheGrammar) {
  const auto result = Parse(
      "# the sample broadcast\n"
      "tuners 3\n"
      "pace off   # tools want it fast\n"
      "\n"
      "multiplex \"Antenna US\" 22 VSB:8-VSB capture news.ts quality 80 dropout 20 3\n"
      "multiplex 1 45 \"QAM:256-QAM\" synthetic sports\n"
      "  program 1 \"Sports One\" # kept as written\n"
      "\tvideo 0x31\n"
      "  # an indented comment\n"
      "\n"
      "multiplex frequency 474000000 COFDM capture sub/../sports.ts quality 0\n"
      "multiplex \"antenna eu\" 22 cofdm:auto capture \"" +
      (folder_.Path() / "news.ts").string() + "\"\n");
  ASSERT_TRUE(result.ok) << result.error;
  const auto& d = result.description;
  EXPECT_EQ(d.tuners, 3);
  EXPECT_FALSE(d.pace);
  ASSERT_EQ(d.multiplexes.size(), 4u);

  const auto& news = d.multiplexes[0];
  const auto na22 = common::ResolveFrequency(common::kAntennaUs, 22);
  EXPECT_EQ(news.frequencyHz, std::uint64_t{na22->frequency} * na22->multiplier);
  EXPECT_EQ(news.family, DemodulatorFamily::kVsb);
  EXPECT_EQ(news.modulation, common::kVsb8);
  EXPECT_EQ(news.quality, 80);
  EXPECT_EQ(news.dropoutAfter, 20);
  EXPECT_EQ(news.dropoutSeconds, 3);
  EXPECT_EQ(news.line, 5);
  EXPECT_EQ(news.capture, folder_.Path() / "news.ts");

  const auto& sports = d.multiplexes[1];
  EXPECT_EQ(sports.kind, vtuner::SourceKind::kSynthetic);
  EXPECT_EQ(sports.syntheticName, "sports");
  EXPECT_EQ(sports.family, DemodulatorFamily::kQam);
  EXPECT_EQ(sports.quality, 100);
  EXPECT_EQ(sports.dropoutAfter, -1);
  ASSERT_EQ(sports.body.size(), 2u);
  EXPECT_EQ(sports.body[0].line, 7);
  EXPECT_EQ(sports.body[0].text, "  program 1 \"Sports One\" # kept as written");
  EXPECT_EQ(sports.body[1].text, "\tvideo 0x31");

  const auto& dvb = d.multiplexes[2];
  EXPECT_EQ(dvb.frequencyHz, 474'000'000u);
  EXPECT_EQ(dvb.capture, folder_.Path() / "sports.ts");
  EXPECT_EQ(dvb.channelMap, -1);
  EXPECT_EQ(dvb.modulation, common::kCofdmAuto);
  EXPECT_EQ(dvb.quality, 0);

  // European channel 22 in kilohertz times its multiplier of 1000.
  EXPECT_EQ(d.multiplexes[3].frequencyHz, 482'000'000u);
  EXPECT_EQ(d.multiplexes[3].channelMap, static_cast<int>(common::kAntennaEu));
}

TEST_F(Description, DefaultsWhenNothingIsSaid) {
  const auto result = Parse("");
  ASSERT_TRUE(result.ok);
  EXPECT_EQ(result.description.tuners, 2);
  EXPECT_TRUE(result.description.pace);
  EXPECT_TRUE(result.description.multiplexes.empty());
}

TEST_F(Description, ErrorsNameTheLineAndTheFault) {
  const struct {
    std::string text;
    std::string error;
  } cases[] = {
      {"tuners 0\n", "air.txt:1: tuner count 0 lies outside 1-16"},
      {"tuners two\n", "air.txt:1: tuner count must be a number, not \"two\""},
      {"tuners 2\ntuners 3\n", "air.txt:2: tuners given twice (line 1)"},
      {"\npace maybe\n", "air.txt:2: pace takes on or off, not \"maybe\""},
      {"tune 5\n", "air.txt:1: unknown statement \"tune\" (expected tuners, pace or multiplex)"},
      {"multiplex 0 22 VSB capture\n",
       "air.txt:1: expected multiplex <map> <physical> <modulation> capture <path> [quality <q>], "
       "multiplex <map> <physical> <modulation> synthetic <name> [quality <q>] or multiplex "
       "frequency <hz> <family> capture <path> [quality <q>]"},
      {"multiplex 9 22 VSB capture news.ts\n", "air.txt:1: channel map 9 lies outside 0-6"},
      {"multiplex \"Antenna Mars\" 22 VSB capture news.ts\n",
       "air.txt:1: unknown channel map \"Antenna Mars\""},
      {"multiplex 0 70 VSB capture news.ts\n",
       "air.txt:1: physical channel 70 lies outside the \"Antenna US\" band plan"},
      {"multiplex 4 13 COFDM capture news.ts\n",
       "air.txt:1: physical channel 13 has no frequency in the \"Antenna EU\" band plan"},
      {"multiplex 0 22 VSB:16-VSB capture news.ts\n",
       "air.txt:1: unknown modulation \"VSB:16-VSB\" (a name such as \"VSB:8-VSB\", "
       "\"QAM:256-QAM\", \"COFDM:AUTO\", or VSB, QAM, COFDM)"},
      {"multiplex 0 22 VSB stream news.ts\n",
       "air.txt:1: expected capture or synthetic, not \"stream\""},
      {"multiplex 0 22 VSB capture missing.ts\n",
       "air.txt:1: capture file \"" + (folder_.Path() / "missing.ts").string() + "\" not found"},
      {"multiplex 0 22 VSB capture news.ts quality 101\n",
       "air.txt:1: quality 101 lies outside 0-100"},
      {"multiplex 0 22 VSB capture news.ts quality\n", "air.txt:1: quality needs a value 0-100"},
      {"multiplex 0 22 VSB capture news.ts loud\n", "air.txt:1: unexpected \"loud\""},
      {"multiplex 0 22 VSB capture news.ts dropout 5\n",
       "air.txt:1: dropout needs the seconds before it and the seconds it lasts"},
      {"multiplex 0 22 VSB capture news.ts dropout 5 0\n",
       "air.txt:1: dropout length 0 lies outside 1-3600"},
      {"multiplex \"Antenna US 22 VSB capture news.ts\n",
       "air.txt:1: quote without its closing quote"},
      {"  program 1\n", "air.txt:1: indented line outside a multiplex"},
      {"multiplex 0 22 VSB capture news.ts\n  program 1\n",
       "air.txt:2: a capture multiplex takes no indented lines"},
      {"multiplex 0 22 VSB synthetic a\ntuners 2\n  program 1\n",
       "air.txt:3: indented line outside a multiplex"},
      {"multiplex frequency 521000000 QAM synthetic a\n",
       "air.txt:1: a synthetic multiplex is named by channel map and physical channel"},
      {"multiplex 0 22 VSB capture news.ts\n# comment\nmultiplex frequency 519100000 VSB:Auto "
       "capture sports.ts\n",
       "air.txt:3: multiplex overlaps the one on line 1 (both VSB within 200 kHz)"},
  };
  for (const auto& c : cases) {
    const auto result = Parse(c.text);
    EXPECT_FALSE(result.ok) << c.text;
    EXPECT_EQ(result.error, c.error) << c.text;
  }
}

TEST_F(Description, FamiliesMayShareAFrequency) {
  const auto result = Parse(
      "multiplex frequency 519250000 VSB capture news.ts\n"
      "multiplex frequency 519250000 QAM capture sports.ts\n");
  ASSERT_TRUE(result.ok) << result.error;
  const auto& d = result.description;
  EXPECT_EQ(vtuner::FindMultiplex(d, 519'250'000, DemodulatorFamily::kQam), &d.multiplexes[1]);
  EXPECT_EQ(vtuner::FindMultiplex(d, 519'250'000, DemodulatorFamily::kVsb), &d.multiplexes[0]);
  EXPECT_EQ(vtuner::FindMultiplex(d, 519'250'000, DemodulatorFamily::kCofdm), nullptr);
}

TEST_F(Description, LoadResolvesPathsAgainstTheFilesFolder) {
  std::filesystem::create_directory(folder_.Path() / "air");
  folder_.WriteText("air/local.ts", "");
  const auto file = folder_.WriteText("air/broadcast.txt",
                                      "multiplex frequency 57000000 VSB capture local.ts\n"
                                      "multiplex frequency 63000000 VSB capture ../news.ts\n");
  const auto result = vtuner::LoadDescription(file);
  ASSERT_TRUE(result.ok) << result.error;
  EXPECT_EQ(result.description.multiplexes[0].capture, folder_.Path() / "air" / "local.ts");

  folder_.WriteText("air/bad.txt", "pace on\nmultiplex frequency 57000000 VSB capture gone.ts\n");
  const auto bad = vtuner::LoadDescription(folder_.Path() / "air" / "bad.txt");
  EXPECT_EQ(bad.error.rfind((folder_.Path() / "air" / "bad.txt").string() + ":2: capture file", 0),
            0u)
      << bad.error;
  EXPECT_FALSE(vtuner::LoadDescription(folder_.Path() / "none.txt").ok);
}

}  // namespace
}  // namespace vtuner::test
