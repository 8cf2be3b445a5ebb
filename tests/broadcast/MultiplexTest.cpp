// A synthetic ATSC multiplex read back with the tests' own transport-stream
// and PSIP readers.
#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <set>

#include "common/ByteReader.h"
#include "tests/broadcast/ReferenceText.h"
#include "tests/broadcast/TestSupport.h"
#include "tests/broadcast/TsReader.h"
#include "tools/broadcast/GuideContent.h"
#include "tools/broadcast/PsipTables.h"

namespace broadcast::test {
namespace {

struct Capture {
  MultiplexDescription description;
  Bytes bytes;
  TsReport report;
  std::uint64_t rate = 0;
};

Capture Make(const std::string& text, double seconds, std::vector<std::uint16_t> sectionPids) {
  Capture c;
  c.description = ParseOne(text);
  std::string error;
  auto mux = Multiplex::Create(c.description, TestOptions(), error);
  EXPECT_TRUE(mux) << error;
  if (!mux) return c;
  c.rate = mux->BitRate();
  const auto packets = static_cast<std::size_t>(seconds * static_cast<double>(c.rate) / 1504);
  c.bytes.resize(packets * 188);
  EXPECT_EQ(mux->Read(c.bytes), c.bytes.size());
  for (const ChannelDescription& ch : c.description.channels)
    if (!ch.analog) sectionPids.push_back(ch.pmtPid);
  sectionPids.push_back(0);
  c.report = ReadTransportStream(c.bytes, sectionPids);
  return c;
}

const Capture& Atsc() {
  static const Capture c = Make(
      kAtscText, 4.5, {0x1FFB, 0x1D00, 0x1D01, 0x1D02, 0x1D03, 0x1E00, 0x1E01, 0x1E02, 0x1E03});
  return c;
}

std::vector<Bytes> SectionsWithTable(const TsReport& r, std::uint16_t pid, std::uint8_t tableId) {
  std::vector<Bytes> out;
  auto it = r.sections.find(pid);
  if (it == r.sections.end()) return out;
  for (const Bytes& s : it->second)
    if (s[0] == tableId) out.push_back(s);
  return out;
}

TEST(Multiplex, PacketsAreValidAtAConstantRate) {
  const Capture& c = Atsc();
  const TsReport& r = c.report;
  EXPECT_TRUE(r.faults.empty()) << r.faults.front();
  EXPECT_EQ(r.badCrc, 0u);
  EXPECT_GT(r.nullPackets, r.packets / 4);  // the rest of 19.39 Mbit/s is stuffing
  EXPECT_EQ(c.rate, 19'392'658u);
  // One PCR PID per programme with video: the video PID; intervals at most 40 ms,
  // values rising with the packet position at the multiplex rate.
  for (const ChannelDescription& ch : c.description.channels) {
    if (ch.analog) continue;
    const auto& pcrs = r.pcrs.at(ch.PcrPid());
    const auto& at = r.pcrPackets.at(ch.PcrPid());
    ASSERT_GT(pcrs.size(), 50u);
    for (std::size_t i = 1; i < pcrs.size(); ++i) {
      ASSERT_GT(pcrs[i], pcrs[i - 1]);
      EXPECT_LE(pcrs[i] - pcrs[i - 1], 27'000'000u * 40 / 1000);
      const double expected = static_cast<double>(at[i] - at[0]) * 1504 * 27e6 / c.rate;
      EXPECT_NEAR(static_cast<double>(pcrs[i] - pcrs[0]), expected, 2.0);
    }
  }
}

TEST(Multiplex, TimestampsRunOnAcrossTheLoopAndArriveBeforeDecoding) {
  const Capture& c = Atsc();
  const ChannelDescription& ch = c.description.channels[0];
  const auto& pcrs = c.report.pcrs.at(ch.videoPid);
  const auto& pcrAt = c.report.pcrPackets.at(ch.videoPid);
  auto pcrAtPacket = [&](std::size_t packet) {
    return static_cast<double>(pcrs[0]) +
           (static_cast<double>(packet) - static_cast<double>(pcrAt[0])) * 1504 * 27e6 / c.rate;
  };
  for (const std::uint16_t pid : {ch.videoPid, ch.audioPid}) {
    const auto& units = c.report.pes.at(pid);
    const std::uint64_t step = pid == ch.videoPid ? 3003 : 2880;
    // More than one loop of either stream: 60 pictures, 125 audio frames.
    ASSERT_GT(units.size(), pid == ch.videoPid ? 60u : 125u);
    for (std::size_t i = 0; i < units.size(); ++i) {
      ASSERT_TRUE(units[i].hasPts);
      EXPECT_GE(units[i].pts, units[i].dts);
      if (i > 0) {
        EXPECT_EQ(units[i].dts - units[i - 1].dts, step) << "unit " << i;
      }
      // Each unit is complete before its decoding time, and not more than a second early.
      const double arrival = pcrAtPacket(units[i].firstPacket) / 300;
      EXPECT_GT(static_cast<double>(units[i].dts), arrival);
      EXPECT_LT(static_cast<double>(units[i].dts), arrival + 90'000);
    }
  }
}

struct VctChannel {
  int major = 0, minor = 0;
  std::string name;
  int modulation = 0;
  int program = 0;
  bool hidden = false, hideGuide = false;
  int serviceType = 0;
  int sourceId = 0;
  int pcrPid = 0;
  std::vector<std::pair<int, int>> elements;  // stream_type, PID
};

std::vector<VctChannel> ReadVct(const Bytes& s) {
  common::ByteReader r(s);
  r.Skip(9);
  const int count = r.U8();
  std::vector<VctChannel> out;
  for (int i = 0; i < count; ++i) {
    VctChannel c;
    for (int k = 0; k < 7; ++k)
      if (const auto u = r.U16()) c.name.push_back(static_cast<char>(u));
    r.Bits(4);
    c.major = static_cast<int>(r.Bits(10));
    c.minor = static_cast<int>(r.Bits(10));
    c.modulation = r.U8();
    r.U32();
    r.U16();
    c.program = r.U16();
    r.Bits(3);
    c.hidden = r.Flag();
    r.Bits(2);
    c.hideGuide = r.Flag();
    r.Bits(3);
    c.serviceType = static_cast<int>(r.Bits(6));
    c.sourceId = r.U16();
    r.Bits(6);
    auto descriptors = r.Sub(r.Bits(10));
    while (descriptors.Remaining() >= 2) {
      const int tag = descriptors.U8();
      auto body = descriptors.Sub(descriptors.U8());
      if (tag != 0xA1) continue;
      c.pcrPid = static_cast<int>(body.U16() & 0x1FFF);
      const int n = body.U8();
      for (int e = 0; e < n; ++e) {
        const int type = body.U8();
        const int pid = body.U16() & 0x1FFF;
        body.Skip(3);
        c.elements.push_back({type, pid});
      }
    }
    out.push_back(c);
  }
  EXPECT_TRUE(r.Ok());
  return out;
}

TEST(Multiplex, VirtualChannelTableDescribesEveryChannel) {
  const Capture& c = Atsc();
  const auto vcts = SectionsWithTable(c.report, 0x1FFB, 0xC8);
  ASSERT_FALSE(vcts.empty());
  const auto channels = ReadVct(vcts.front());
  ASSERT_EQ(channels.size(), 5u);
  EXPECT_EQ(channels[0].name, "ONE");
  EXPECT_EQ(channels[0].major, 7);
  EXPECT_EQ(channels[0].minor, 1);
  EXPECT_EQ(channels[0].modulation, 0x04);
  EXPECT_EQ(channels[0].serviceType, 0x02);
  EXPECT_EQ(channels[0].pcrPid, 0x31);
  EXPECT_EQ(channels[0].elements, (std::vector<std::pair<int, int>>{{0x02, 0x31}, {0x81, 0x34}}));
  EXPECT_TRUE(channels[2].hidden);
  EXPECT_TRUE(channels[2].hideGuide);
  EXPECT_FALSE(channels[1].hidden);
  // One-part number 1001: major 1008-1023 holds its top bits, minor the low ten.
  EXPECT_EQ(channels[3].major, 1008);
  EXPECT_EQ(((channels[3].major & 0x0F) << 10) | channels[3].minor, 1001);
  EXPECT_EQ(channels[4].modulation, 0x01);
  EXPECT_EQ(channels[4].program, 0xFFFF);
  EXPECT_EQ(channels[4].serviceType, 0x01);
  EXPECT_TRUE(channels[4].elements.empty());
}

TEST(Multiplex, ManyChannelsSpreadOverSeveralVctSections) {
  std::string text = "multiplex us 7 8vsb synthetic Many\n";
  for (int i = 1; i <= 40; ++i)
    text += "  channel 7." + std::to_string(i) + " program=" + std::to_string(i) + "\n";
  const MultiplexDescription d = ParseOne(text);
  ASSERT_EQ(d.channels.size(), 40u);
  const auto sections = BuildVct(d, 3);
  ASSERT_GT(sections.size(), 1u);
  std::vector<int> minors;
  for (std::size_t i = 0; i < sections.size(); ++i) {
    const Bytes& s = sections[i];
    EXPECT_LE(s.size(), 1024u);  // section_length at most 1021
    EXPECT_EQ(BitwiseCrc32(s), 0u);
    EXPECT_EQ(s[6], i);
    EXPECT_EQ(s[7], sections.size() - 1);
    for (const VctChannel& c : ReadVct(s))
      minors.push_back(c.minor);
  }
  ASSERT_EQ(minors.size(), 40u);
  for (int i = 0; i < 40; ++i)
    EXPECT_EQ(minors[static_cast<std::size_t>(i)], i + 1);
}

struct EitEvent {
  int eventId = 0;
  std::uint32_t start = 0;
  int etmLocation = 0;
  std::uint32_t length = 0;
  std::vector<DecodedString> title;
  std::vector<std::uint8_t> titleCompression;
  std::string rating;
};

std::vector<EitEvent> ReadEit(const Bytes& s, int* sourceId) {
  common::ByteReader r(s);
  r.U8();
  r.U16();
  *sourceId = r.U16();
  r.Skip(3);
  EXPECT_EQ(s[6], 0);  // section_number: one section per EIT
  EXPECT_EQ(s[7], 0);
  r.U8();
  const int count = r.U8();
  std::vector<EitEvent> out;
  for (int i = 0; i < count; ++i) {
    EitEvent e;
    e.eventId = r.U16() & 0x3FFF;
    e.start = r.U32();
    r.Bits(2);
    e.etmLocation = static_cast<int>(r.Bits(2));
    e.length = static_cast<std::uint32_t>(r.Bits(20));
    const auto title = r.Bytes(r.U8());
    bool ok = true;
    if (!title.empty()) e.title = DecodeMultipleString(title, &ok);
    EXPECT_TRUE(ok);
    r.Bits(4);
    auto descriptors = r.Sub(r.Bits(12));
    while (descriptors.Remaining() >= 2) {
      const int tag = descriptors.U8();
      auto body = descriptors.Sub(descriptors.U8());
      if (tag != 0x87) continue;
      body.Bits(2);
      const auto regions = body.Bits(6);
      for (unsigned k = 0; k < regions; ++k) {
        body.U8();
        const int dims = body.U8();
        for (int d = 0; d < dims; ++d) {
          body.U8();
          body.U8();
        }
        const auto text = body.Bytes(body.U8());
        const auto strings = DecodeMultipleString(text, &ok);
        if (!strings.empty()) e.rating = strings[0].text;
      }
    }
    out.push_back(std::move(e));
  }
  EXPECT_TRUE(r.Ok());
  return out;
}

TEST(Multiplex, GuideTablesParseBackToTheGuide) {
  const Capture& c = Atsc();
  const std::int64_t slot = SlotStart(kTestUtc);
  bool untitled = false, huffmanTitle = false, twoLanguages = false, twoSegments = false;
  std::map<std::uint32_t, std::string> expectedTexts;  // ETM_id -> description
  std::set<int> sourcesWithGuide;
  for (int k = 0; k < 4; ++k) {
    const auto eits = SectionsWithTable(c.report, static_cast<std::uint16_t>(0x1D00 + k), 0xCB);
    ASSERT_FALSE(eits.empty()) << "EIT-" << k;
    std::set<int> seen;
    for (const Bytes& s : eits) {
      int source = 0;
      const auto events = ReadEit(s, &source);
      if (!seen.insert(source).second) continue;  // repeated
      sourcesWithGuide.insert(source);
      const ChannelDescription* channel = nullptr;
      for (const auto& ch : c.description.channels)
        if (ch.sourceId == source) channel = &ch;
      ASSERT_TRUE(channel);
      const auto expected = EventsInSlot(*channel, slot + k * kSlotSeconds);
      ASSERT_EQ(events.size(), expected.size());
      std::uint32_t covered = 0;
      for (std::size_t i = 0; i < events.size(); ++i) {
        const EitEvent& e = events[i];
        EXPECT_EQ(e.start, static_cast<std::uint32_t>(expected[i].startUtc - 315964800 + 18));
        EXPECT_EQ(e.length, expected[i].durationSeconds);
        EXPECT_EQ(e.etmLocation, 1);
        covered += e.length;
        if (expected[i].titleText.empty()) {
          EXPECT_TRUE(e.title.empty());
          untitled = true;
        } else {
          ASSERT_FALSE(e.title.empty());
          EXPECT_EQ(e.title[0].language, "eng");
          EXPECT_EQ(e.title[0].text, expected[i].titleText);
          for (const auto t : e.title[0].compression)
            huffmanTitle = huffmanTitle || t == 1;
          twoSegments = twoSegments || e.title[0].compression.size() > 1;
          twoLanguages = twoLanguages || e.title.size() > 1;
        }
        EXPECT_EQ(e.rating, expected[i].ratingText);
        expectedTexts[static_cast<std::uint32_t>(source) << 16 |
                      static_cast<std::uint32_t>(e.eventId) << 2 | 2] = expected[i].description;
      }
      EXPECT_EQ(covered, 3u * 3600);  // the slot is filled
      if (k == 0) {
        // The event now on the air is in EIT-0.
        const auto gpsNow = static_cast<std::uint32_t>(kTestUtc - 315964800 + 18);
        bool found = false;
        for (const EitEvent& e : events)
          found = found || (e.start <= gpsNow && gpsNow < e.start + e.length);
        EXPECT_TRUE(found);
      }
    }
  }
  EXPECT_EQ(sourcesWithGuide, (std::set<int>{1, 2, 3}));  // not the hidden or analog entries
  EXPECT_TRUE(untitled);
  EXPECT_TRUE(huffmanTitle);
  EXPECT_TRUE(twoLanguages);
  EXPECT_TRUE(twoSegments);

  // Every event's text arrives in an ETT, some Huffman-compressed.
  std::set<std::uint32_t> textsSeen;
  bool huffmanText = false;
  for (int k = 0; k < 4; ++k) {
    for (const Bytes& s :
         SectionsWithTable(c.report, static_cast<std::uint16_t>(0x1E00 + k), 0xCC)) {
      common::ByteReader r(s);
      r.Skip(3);
      const int extension = r.U16();
      r.Skip(4);
      const std::uint32_t etmId = r.U32();
      EXPECT_EQ(extension, static_cast<int>(etmId >> 16));
      bool ok = true;
      const auto text = DecodeMultipleString(r.Bytes(s.size() - 4 - 13), &ok);
      ASSERT_TRUE(ok);
      ASSERT_EQ(text.size(), 1u);
      ASSERT_TRUE(expectedTexts.count(etmId)) << std::hex << etmId;
      EXPECT_EQ(text[0].text, expectedTexts[etmId]);
      huffmanText = huffmanText || text[0].compression[0] == 2;
      textsSeen.insert(etmId);
    }
  }
  EXPECT_EQ(textsSeen.size(), expectedTexts.size());
  EXPECT_TRUE(huffmanText);
}

TEST(Multiplex, MasterGuideTableListsTheTablesWithTheirSizes) {
  const Capture& c = Atsc();
  const auto mgts = SectionsWithTable(c.report, 0x1FFB, 0xC7);
  ASSERT_FALSE(mgts.empty());
  common::ByteReader r(mgts.front());
  r.Skip(9);
  const int tables = r.U16();
  std::map<int, std::pair<int, std::uint32_t>> entries;  // type -> PID, bytes
  for (int i = 0; i < tables; ++i) {
    const int type = r.U16();
    const int pid = r.U16() & 0x1FFF;
    r.U8();
    const std::uint32_t bytes = r.U32();
    r.Skip(r.U16() & 0x0FFF);
    entries[type] = {pid, bytes};
  }
  ASSERT_TRUE(r.Ok());
  EXPECT_EQ(entries.at(0x0000).first, 0x1FFB);
  for (int k = 0; k < 4; ++k) {
    const auto [eitPid, eitBytes] = entries.at(0x0100 + k);
    EXPECT_EQ(eitPid, 0x1D00 + k);
    // number_bytes: one copy of every section of the table.
    // Compared byte by byte: GCC 12 at -O2 reports a false -Wstringop-overread
    // for the memcmp behind the vectors' own ordering.
    auto byteLess = [](const Bytes& a, const Bytes& b) {
      return std::lexicographical_compare(a.begin(), a.end(), b.begin(), b.end(),
                                          [](std::uint8_t x, std::uint8_t y) { return x < y; });
    };
    std::set<Bytes, decltype(byteLess)> distinct(byteLess);
    for (const Bytes& s : c.report.sections.at(static_cast<std::uint16_t>(eitPid)))
      distinct.insert(s);
    std::uint32_t total = 0;
    for (const Bytes& s : distinct)
      total += static_cast<std::uint32_t>(s.size());
    EXPECT_EQ(total, eitBytes);
    EXPECT_EQ(entries.at(0x0200 + k).first, 0x1E00 + k);
  }
}

TEST(Multiplex, SystemTimeTableTellsTheStreamTime) {
  const Capture& c = Atsc();
  const auto stts = SectionsWithTable(c.report, 0x1FFB, 0xCD);
  ASSERT_GE(stts.size(), 4u);  // one a second over 4.5 s
  for (std::size_t i = 0; i < stts.size(); ++i) {
    common::ByteReader r(stts[i]);
    r.Skip(9);
    const std::uint32_t gps = r.U32();
    EXPECT_EQ(r.U8(), 18);
    EXPECT_EQ(gps,
              static_cast<std::uint32_t>(kTestUtc + static_cast<std::int64_t>(i) - 315964800 + 18));
  }
}

TEST(Multiplex, MasterGuideVersionsMoveWithTheGuide) {
  const MultiplexDescription d = ParseOne(kAtscText);
  const PsipSnapshot now = BuildPsipSnapshot(d, kTestUtc);
  const PsipSnapshot later = BuildPsipSnapshot(d, kTestUtc + 600);
  const PsipSnapshot next = BuildPsipSnapshot(d, kTestUtc + kSlotSeconds);
  EXPECT_EQ(now.mgt, later.mgt);  // same slot, same tables
  EXPECT_NE((now.mgt[5] >> 1) & 0x1F, (next.mgt[5] >> 1) & 0x1F);
  // Three hours on, EIT-0 is what EIT-1 was, version included.
  EXPECT_EQ(next.eit[0], now.eit[1]);
  EXPECT_EQ(next.ett[0], now.ett[1]);
}

TEST(Multiplex, ClearQamCarriesOnlyPatAndPmt) {
  const Capture c = Make(R"(multiplex cable 80 64qam synthetic Q
  tables psi
  tsid 0x5001
  channel 80.1 program=1
  channel 80.2 program=2
  channel 80.3 program=3 no-video
)",
                         1.0, {0x1FFB});
  EXPECT_TRUE(c.report.faults.empty());
  EXPECT_EQ(c.rate, 26'970'350u);
  EXPECT_FALSE(c.report.sections.count(0x1FFB));
  const Bytes& pat = c.report.sections.at(0).front();
  EXPECT_EQ(pat.size(), 8u + 3 * 4 + 4);
  // Programme 3 has only AC-3 audio, with the PCR on the audio PID.
  const Bytes& pmt = c.report.sections.at(0x50).front();
  common::ByteReader r(pmt);
  r.Skip(8);
  EXPECT_EQ(r.U16() & 0x1FFF, 0x54);
  r.Skip(r.U16() & 0x0FFF);
  EXPECT_EQ(r.U8(), 0x81);
  EXPECT_EQ(r.U16() & 0x1FFF, 0x54);
  r.Skip(r.U16() & 0x0FFF);
  EXPECT_EQ(r.Remaining(), 4u);  // only the CRC follows
  EXPECT_TRUE(c.report.pcrs.count(0x54));
}

}  // namespace
}  // namespace broadcast::test
