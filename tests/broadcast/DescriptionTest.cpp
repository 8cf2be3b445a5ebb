// The broadcast description format and the bundled sample broadcast.
#include <gtest/gtest.h>

#include "tools/broadcast/Description.h"
#include "tools/broadcast/GuideContent.h"
#include "tools/broadcast/Listing.h"

namespace broadcast {
namespace {

TEST(Description, SampleBroadcastHasTheMultiplexesTheTunerOffers) {
  BroadcastDescription d;
  std::string error;
  ASSERT_TRUE(ParseBroadcastDescription(SampleBroadcastText(), d, error)) << error;
  ASSERT_EQ(d.multiplexes.size(), 5u);
  const auto& us7 = d.multiplexes[0];
  EXPECT_EQ(us7.channelMap, tuning::kAntennaUs);
  EXPECT_EQ(us7.physical, 7);
  EXPECT_EQ(us7.modulation, tuning::kVsb8);
  EXPECT_EQ(us7.tables, TableSet::kTvct);
  ASSERT_EQ(us7.channels.size(), 4u);
  EXPECT_EQ(us7.channels[0].NumberText(), "7.1");
  EXPECT_EQ(us7.channels[1].NumberText(), "7.2");
  EXPECT_TRUE(us7.channels[2].hidden);
  EXPECT_TRUE(us7.channels[3].analog);
  EXPECT_EQ(d.multiplexes[1].physical, 31);
  EXPECT_EQ(d.multiplexes[1].channels[0].NumberText(), "5.5");
  const auto& cable = d.multiplexes[2];
  EXPECT_EQ(cable.channelMap, tuning::kCableStandard);
  EXPECT_EQ(cable.modulation, tuning::kQam256);
  EXPECT_EQ(cable.tables, TableSet::kCvct);
  EXPECT_TRUE(cable.channels[0].OnePart());
  const auto& clear = d.multiplexes[3];
  EXPECT_EQ(clear.tables, TableSet::kPsiOnly);
  EXPECT_EQ(clear.modulation, tuning::kQam64);
  ASSERT_EQ(clear.channels.size(), 3u);
  EXPECT_FALSE(clear.channels[2].HasVideo());
  const auto& eu = d.multiplexes[4];
  EXPECT_EQ(eu.channelMap, tuning::kAntennaEu);
  EXPECT_EQ(eu.physical, 21);
  EXPECT_EQ(eu.tables, TableSet::kDvb);
  EXPECT_EQ(eu.channels[0].name, "Corvane Eins");
  EXPECT_EQ(eu.networkName, "Corvane Net");
  EXPECT_EQ(eu.BitRate(), kRateDvbT8MHz64Qam);
  EXPECT_EQ(eu.CaptureFileName(), "eu-21-cofdm.ts");
}

TEST(Description, ChannelDefaultsFollowTheAtscPidAssignment) {
  BroadcastDescription d;
  std::string error;
  ASSERT_TRUE(
      ParseBroadcastDescription("multiplex 0 7 0x001 synthetic X\n"
                                "  channel 7.3 program=3\n"
                                "  channel 7.4 program=4 video=0x100 audio=0x101 pmt=0x102 "
                                "source=77\n",
                                d, error))
      << error;
  const auto& c = d.multiplexes[0].channels;
  EXPECT_EQ(c[0].pmtPid, 0x50);
  EXPECT_EQ(c[0].videoPid, 0x51);  // 16 * (3 - 1) + 0x31
  EXPECT_EQ(c[0].audioPid, 0x54);
  EXPECT_EQ(c[0].sourceId, 3);
  EXPECT_EQ(c[0].name, "7.3");
  EXPECT_EQ(c[1].videoPid, 0x100);
  EXPECT_EQ(c[1].sourceId, 77);
}

TEST(Description, CaptureMultiplexesKeepTheirPath) {
  BroadcastDescription d;
  std::string error;
  ASSERT_TRUE(ParseBroadcastDescription(
      "# recorded\nmultiplex us 9 8vsb capture \"/srv/My Captures/ch9.ts\" quality 85\n"
      "multiplex hrc 3 qam capture /tmp/a.ts\n",
      d, error))
      << error;
  ASSERT_EQ(d.multiplexes.size(), 2u);
  EXPECT_FALSE(d.multiplexes[0].synthetic);
  EXPECT_EQ(d.multiplexes[0].capturePath, "/srv/My Captures/ch9.ts");
  EXPECT_EQ(d.multiplexes[1].channelMap, tuning::kCableHrc);
  EXPECT_EQ(d.multiplexes[0].quality, 85);
  EXPECT_EQ(d.multiplexes[1].capturePath, "/tmp/a.ts");
  EXPECT_EQ(d.multiplexes[1].modulation, tuning::kQamAuto);
}

TEST(Description, MistakesAreReportedWithTheirLine) {
  struct Case {
    const char* text;
    const char* error;
  };
  const Case cases[] = {
      {"multiplex us 7 8vsb synthetic A\n  channel 7.1\n", "line 2: program=1-65535 needed"},
      {"multiplex mars 7 8vsb synthetic A\n", "line 1: unknown channel map \"mars\""},
      {"multiplex us 1 8vsb synthetic A\n",
       "line 1: physical channel \"1\" is not in the channel map"},
      {"multiplex us 7 9vsb synthetic A\n", "line 1: unknown modulation \"9vsb\""},
      {"  channel 7.1 program=1\n", "line 1: an indented line belongs under a synthetic multiplex"},
      {"multiplex us 7 8vsb synthetic A\n  channel 7.1 program=1 video=0x2000\n",
       "line 2: PID out of 0x0020-0x1FEF"},
      {"multiplex us 7 8vsb synthetic A\n  channel 7.1 program=1 no-video no-audio\n",
       "line 2: a channel needs video or audio"},
      {"multiplex us 7 8vsb synthetic A\n  channel 7.1 program=1\n  channel 7.2 program=1\n",
       "line 1: multiplex \"A\": channels 7.1 and 7.2 share a programme number or PID"},
      {"multiplex us 7 8vsb synthetic A\nmultiplex us 8 8vsb synthetic B\n  channel 8.1 "
       "program=1\n",
       "line 1: multiplex \"A\" has no digital channel"},
      {"multiplex us 7 8vsb synthetic A\n  channel 1000.1 program=1\n",
       "line 2: channel number major.minor (1-999.0-999) expected"},
      {"multiplex us 7 8vsb synthetic A\n  tables isdb\n",
       "line 2: tables takes tvct, cvct, psi or dvb"},
      {"multiplex us 7 8vsb synthetic A tables=isdb\n", "line 1: unexpected \"tables=isdb\""},
      {"tuner 1\n", "line 1: unknown line \"tuner\""},
  };
  for (const Case& c : cases) {
    BroadcastDescription d;
    std::string error;
    EXPECT_FALSE(ParseBroadcastDescription(c.text, d, error)) << c.text;
    EXPECT_EQ(error, c.error) << c.text;
  }
}

TEST(Description, ReadsTheVirtualTunersStatementsToo) {
  // The virtual tuner's own description: quoted map names, mode and family
  // names, quality, frequency-only captures, tuner settings.
  BroadcastDescription d;
  std::string error;
  ASSERT_TRUE(ParseBroadcastDescription(R"(tuners 3
pace off
multiplex "Antenna US" 22 VSB:8-VSB capture captures/news.ts quality 85
multiplex 1 45 QAM:256-QAM synthetic sports quality 90
  channel 45.3 program=3 name=SPORTS
multiplex frequency 474000000 COFDM capture dvbt.ts quality 60
)",
                                        d, error))
      << error;
  ASSERT_EQ(d.multiplexes.size(), 3u);
  EXPECT_EQ(d.multiplexes[0].frequencyHz, 519'250'000u);
  EXPECT_EQ(d.multiplexes[1].modulation, tuning::kQam256);
  EXPECT_EQ(d.multiplexes[1].quality, 90);
  EXPECT_EQ(d.multiplexes[1].channels[0].programNumber, 3);
  EXPECT_EQ(d.multiplexes[2].frequencyHz, 474'000'000u);
  EXPECT_EQ(d.multiplexes[2].modulation, tuning::kCofdmAuto);
}

TEST(Description, SyntheticBodyHandedOverByAnotherParser) {
  const std::vector<BodyLine> body = {{4, "  tables psi"}, {5, "  channel 45.3 program=3"}};
  MultiplexDescription m;
  std::string error;
  ASSERT_TRUE(ParseSyntheticMultiplex(tuning::kCableStandard, 45, tuning::kQamAuto, "sports", body,
                                      m, error))
      << error;
  EXPECT_EQ(m.tables, TableSet::kPsiOnly);
  EXPECT_EQ(m.BitRate(), kRateQam256);
  ASSERT_EQ(m.channels.size(), 1u);
  const std::vector<BodyLine> bad = {{4, "  channel 45.3"}};
  EXPECT_FALSE(ParseSyntheticMultiplex(tuning::kCableStandard, 45, tuning::kQamAuto, "sports", bad,
                                       m, error));
  EXPECT_EQ(error, "line 4: program=1-65535 needed");
}

TEST(Description, RatesFollowModulationAndBandwidth) {
  MultiplexDescription m;
  m.modulation = tuning::kQam256;
  EXPECT_EQ(m.BitRate(), 38'810'700u);
  m.modulation = tuning::kCofdmQam64;
  m.channelMap = tuning::kAntennaEu;
  m.physical = 5;  // a 7 MHz channel
  EXPECT_EQ(m.BitRate(), kRateDvbT8MHz64Qam * 7 / 8);
}

TEST(Description, ListingShowsFrequenciesChannelsAndProgrammesNowOn) {
  const BroadcastDescription d = SampleBroadcast();
  const std::int64_t utc = 1796683210;
  const auto lines = ListBroadcast(d, utc);
  ASSERT_GE(lines.size(), 5u);
  EXPECT_EQ(lines[0], "Antenna US 7 VSB:8-VSB 175250000 Hz synthetic KVSB (TVCT)");
  EXPECT_EQ(lines[1],
            "  7.1 KVSB-HD programme 1: " + EventAt(d.multiplexes[0].channels[0], utc).titleText);
  EXPECT_EQ(lines[3], "  7.9 KVSBTST programme 9 hidden");
  EXPECT_EQ(lines[4], "  9.0 KANA-LP analog");
  bool eu = false;
  for (const std::string& line : lines)
    eu = eu || line == "Antenna EU 21 COFDM:64-QAM 474000000 Hz synthetic Corvane DVB-T (DVB SI)";
  EXPECT_TRUE(eu);
  // Latin-1 titles come out as UTF-8: no byte of the listing is a lone high byte.
  for (const std::string& line : lines) {
    for (std::size_t i = 0; i < line.size(); ++i) {
      const auto byte = static_cast<unsigned char>(line[i]);
      if (byte < 0x80) continue;
      ASSERT_TRUE(byte >= 0xC2 && byte <= 0xC3 && i + 1 < line.size()) << line;
      ++i;
      ASSERT_EQ(static_cast<unsigned char>(line[i]) & 0xC0, 0x80) << line;
    }
  }
}

}  // namespace
}  // namespace broadcast
