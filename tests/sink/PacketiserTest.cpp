// Packetising sample groups: header sizes, padding versus stuffing, the
// timestamps of a group's first pack, AC-3 substream headers and the SCR.
#include <gtest/gtest.h>

#include "filters/sink/Packetiser.h"
#include "filters/sink/PsFormat.h"
#include "tests/sink/TestSupport.h"

namespace filters {
namespace {

std::vector<test::DecodedPack> Packs(const Packetiser::Output& out) {
  std::vector<test::DecodedPack> packs;
  EXPECT_EQ(out.packs.size() % kPackSize, 0u);
  for (std::size_t i = 0; i < out.PackCount(); ++i) {
    packs.push_back(test::DecodeDataPack(std::span(out.packs).subspan(i * kPackSize, kPackSize)));
  }
  return packs;
}

SampleGroup Group(PinType pin, const std::vector<std::uint8_t>& bytes) {
  SampleGroup g;
  g.pin = pin;
  g.stream = bytes;
  g.bytes = bytes.size();
  g.startScr = 1'000'000;
  g.endScr = 2'000'000;
  return g;
}

TEST(Packetiser, PaddingPacketOrStuffingFillsEveryPack) {
  // Video without timestamps: header 9 bytes, room 2025.
  struct Case {
    std::size_t payload;
    bool padding;
    std::size_t stuffingOrPadLength;
  };
  const Case cases[] = {{1, true, 2028 - 9 - 1}, {2018, true, 1},  {2019, false, 6},
                        {2022, false, 3},        {2024, false, 1}, {2025, false, 0}};
  for (const Case& c : cases) {
    Packetiser p;
    Packetiser::Output out;
    const std::vector<std::uint8_t> data(c.payload, 0x42);
    p.Build(Group(PinType::kVideo, data), out);
    const auto packs = Packs(out);
    ASSERT_EQ(packs.size(), 1u) << c.payload;
    EXPECT_EQ(packs[0].payload, data);
    EXPECT_EQ(packs[0].hasPadding, c.padding) << c.payload;
    if (c.padding) {
      EXPECT_EQ(packs[0].paddingLength, c.stuffingOrPadLength);
      EXPECT_EQ(packs[0].stuffing, 0u);
      EXPECT_EQ(packs[0].pesLength, 3 + c.payload);
    } else {
      EXPECT_EQ(packs[0].stuffing, c.stuffingOrPadLength) << c.payload;
      EXPECT_EQ(packs[0].pesLength, 2028u);
    }
  }
}

TEST(Packetiser, OnlyTheFirstPackCarriesTimestamps) {
  std::vector<std::uint8_t> data(5000);
  for (std::size_t i = 0; i < data.size(); ++i)
    data[i] = static_cast<std::uint8_t>(i * 7);
  SampleGroup g = Group(PinType::kVideo, data);
  g.hasPts = true;
  g.pts = 27'000'000 + 300 * 3003;
  g.hasDts = true;
  g.dts = 27'000'000;
  Packetiser p;
  Packetiser::Output out;
  p.Build(g, out);
  const auto packs = Packs(out);
  ASSERT_EQ(packs.size(), 3u);
  EXPECT_EQ(packs[0].flags2, 0xC0);
  EXPECT_EQ(packs[0].headerDataLength, 10u);
  EXPECT_EQ(*packs[0].pts, 90'000 + 3003);
  EXPECT_EQ(*packs[0].dts, 90'000);
  EXPECT_EQ(packs[0].payload.size(), 2034u - 19);
  EXPECT_EQ(packs[1].flags2, 0x00);
  EXPECT_EQ(packs[1].payload.size(), 2025u);
  std::vector<std::uint8_t> joined;
  for (const auto& pk : packs)
    joined.insert(joined.end(), pk.payload.begin(), pk.payload.end());
  EXPECT_EQ(joined, data);
  // Running SCR: raised to the group's start, then one more per pack.
  EXPECT_EQ(packs[0].scr, 1'000'000);
  EXPECT_EQ(packs[1].scr, 1'000'001);
  EXPECT_EQ(packs[2].scr, 1'000'002);
  EXPECT_EQ(out.firstInterpolatedScr, 1'000'000);

  // A DTS equal to the PTS is not written; an earlier group start does not
  // move the running SCR back.
  g.dts = g.pts;
  g.startScr = 5;
  p.Build(g, out);
  const auto again = Packs(out);
  EXPECT_EQ(again[0].flags2, 0x80);
  EXPECT_FALSE(again[0].dts);
  EXPECT_EQ(again[0].scr, 1'000'003);
}

TEST(Packetiser, TextPacksHaveSubstreamByteAndPtsOnly) {
  const std::vector<std::uint8_t> data = {0x0C, 0x03, 0, 'H', 0, 'i', 0, '!', 0};
  SampleGroup g = Group(PinType::kText, data);
  g.hasPts = true;
  g.pts = 54'000'000;
  g.hasDts = true;  // ignored for text
  g.dts = 1;
  Packetiser p;
  Packetiser::Output out;
  p.Build(g, out);
  const auto packs = Packs(out);
  ASSERT_EQ(packs.size(), 1u);
  EXPECT_EQ(packs[0].streamId, 0xBF);
  EXPECT_EQ(packs[0].flags2, 0x80);
  EXPECT_EQ(packs[0].substream, std::vector<std::uint8_t>{0x1F});
  EXPECT_EQ(packs[0].payload, data);
  EXPECT_EQ(packs[0].paddingLength, 2028u - 15 - data.size());
}

TEST(Packetiser, Ac3StartsAtFirstSyncFrameAndCountsFramesPerPack) {
  std::vector<std::uint8_t> stream(37, 0x0B);  // junk, including stray sync bytes
  std::vector<std::size_t> frameStarts;
  for (int i = 0; i < 6; ++i) {
    frameStarts.push_back(stream.size());
    const auto f = test::Ac3Frame(37, static_cast<std::uint8_t>(i + 1));  // 640 kbit/s, 2560 bytes
    stream.insert(stream.end(), f.begin(), f.end());
  }
  SampleGroup g = Group(PinType::kAudio, stream);
  g.bytes = frameStarts[4] + 100;  // the fifth frame's CRC range lies past the group
  g.hasPts = true;
  g.pts = 30'000'000;
  Packetiser p;
  Packetiser::Output out;
  p.Build(g, out);
  EXPECT_GT(p.Ac3PacksBuilt(), 0u);
  const auto packs = Packs(out);
  std::vector<std::uint8_t> joined;
  std::size_t offset = 37;  // group bytes consumed so far
  unsigned total = 0;
  for (const auto& pk : packs) {
    ASSERT_EQ(pk.streamId, 0xBD);
    ASSERT_EQ(pk.substream.size(), 4u);
    EXPECT_EQ(pk.substream[0], 0x80);
    // Expected frames starting within this pack's payload.
    unsigned expected = 0;
    std::size_t firstPos = 0;
    for (std::size_t s : frameStarts) {
      if (s >= offset && s < offset + pk.payload.size()) {
        if (expected++ == 0) firstPos = s - offset + 1;
      }
    }
    EXPECT_EQ(pk.substream[1], expected);
    EXPECT_EQ(pk.substream[2] << 8 | pk.substream[3], firstPos);
    total += pk.substream[1];
    joined.insert(joined.end(), pk.payload.begin(), pk.payload.end());
    offset += pk.payload.size();
  }
  EXPECT_EQ(total, 5u);
  EXPECT_EQ(joined, std::vector<std::uint8_t>(stream.begin() + 37, stream.begin() + g.bytes));
  EXPECT_EQ(packs[0].headerDataLength, 5u);
  EXPECT_EQ(packs[0].payload.size(), 2034u - 18);

  // Later groups are no longer cut to a syncframe; a damaged frame is not counted.
  auto damaged = test::Ac3Frame(2, 9);
  damaged[20] ^= 0x80;
  SampleGroup g2 = Group(PinType::kAudio, damaged);
  p.Build(g2, out);
  const auto packs2 = Packs(out);
  ASSERT_EQ(packs2.size(), 1u);
  EXPECT_EQ(packs2[0].payload, damaged);
  EXPECT_EQ(packs2[0].substream[1], 0);
  EXPECT_EQ(packs2[0].substream[2] << 8 | packs2[0].substream[3], 0);
}

TEST(Packetiser, AudioWithoutAnySyncFrameIsHeldBackAtStart) {
  const std::vector<std::uint8_t> junk(3000, 0x5A);
  Packetiser p;
  Packetiser::Output out;
  p.Build(Group(PinType::kAudio, junk), out);
  EXPECT_EQ(out.PackCount(), 0u);
  EXPECT_EQ(p.Ac3PacksBuilt(), 0u);
}

}  // namespace
}  // namespace filters
