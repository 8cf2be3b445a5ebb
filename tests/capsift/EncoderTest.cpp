// The extractor on real encoder output: libavcodec's mpeg2video encoder gets
// known CEA-608 pairs with every input frame and writes them with each
// picture in coded order; the units must come out in display order with the
// pairs and presentation times of their frames.
#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <vector>

#include "capsift/CPictureAssembler.h"
#include "tests/capsift/CaptureSink.h"
#include "tests/capsift/Mpeg2Encode.h"

namespace {

using capsift::CPictureAssembler;
using capsift::test::CaptureSink;
using capsift::test::EncodedPacket;
using capsift::test::EncodeMpeg2;
using capsift::test::EncodeOptions;
using capsift::test::kFrameDuration;
using capsift::test::Unit;
using Bytes = std::vector<std::uint8_t>;

std::uint8_t OddParity(std::uint8_t c) {
  const std::uint8_t v = c & 0x7F;
  return (__builtin_popcount(v) % 2 == 0) ? static_cast<std::uint8_t>(v | 0x80) : v;
}

// What a broadcaster's caption inserter sends per frame: field 1 text pairs,
// a field 2 construct, null padding; every seventh frame carries nothing.
Bytes ConstructsOf(int n) {
  if (n % 7 == 6) return {};
  const auto a = static_cast<std::uint8_t>('A' + n % 26);
  const auto d = static_cast<std::uint8_t>('0' + n % 10);
  Bytes c = {0xFC, OddParity(a), OddParity(d), 0xFD, 0x94, 0x2C, 0xFC, 0x80, 0x80};
  if (n % 3 == 0) c.insert(c.end(), {0xFC, OddParity(0x14), OddParity(0x2F)});  // EOC
  c.insert(c.end(), {0xFA, 0x00, 0x00});                                        // DTVCC padding
  return c;
}

// The kept pairs of display frame n: field 1 (cc_type 0), valid, not 0x80 0x80.
Bytes PairsOf(int n) {
  const Bytes c = ConstructsOf(n);
  Bytes pairs;
  for (std::size_t i = 0; i + 3 <= c.size(); i += 3) {
    if ((c[i] & 0x07) == 0x04 && !(c[i + 1] == 0x80 && c[i + 2] == 0x80)) {
      pairs.insert(pairs.end(), {c[i + 1], c[i + 2]});
    }
  }
  return pairs;
}

std::vector<Unit> Expected(int frames) {
  std::vector<Unit> units;
  for (int n = 0; n < frames; ++n) {
    if (!PairsOf(n).empty()) units.push_back({PairsOf(n), n * kFrameDuration});
  }
  return units;
}

const Bytes kSequenceEnd = {0x00, 0x00, 0x01, 0xB7};

// Feeds packets as input samples, the way the filter does: the sample's
// start time first, then its bytes.
std::vector<Unit> Extract(const std::vector<EncodedPacket>& packets) {
  CaptureSink sink;
  CPictureAssembler assembler(&sink);
  for (const auto& p : packets) {
    assembler.SetInputStartTime(p.startTime);
    assembler.Push(p.data);
  }
  assembler.Push(kSequenceEnd);
  return sink.units;
}

struct Layout {
  const char* name;
  int gopSize;
  int bFrames;
  bool closedGop;
  bool interlaced;
};

class EncodedStream : public ::testing::TestWithParam<Layout> {};

TEST_P(EncodedStream, UnitsLeaveInDisplayOrderWithTheirPairsAndTimes) {
  const Layout& layout = GetParam();
  EncodeOptions options;
  options.frames = 48;
  options.gopSize = layout.gopSize;
  options.bFrames = layout.bFrames;
  options.closedGop = layout.closedGop;
  options.interlaced = layout.interlaced;
  options.constructs = ConstructsOf;
  const auto packets = EncodeMpeg2(options);
  ASSERT_EQ(packets.size(), 48u);
  if (layout.bFrames > 0) {  // the stream really is reordered
    ASSERT_GT(packets[1].startTime, packets[2].startTime);
  }
  EXPECT_EQ(Extract(packets), Expected(48));
}

INSTANTIATE_TEST_SUITE_P(Layouts, EncodedStream,
                         ::testing::Values(Layout{"Gop15B2", 15, 2, false, false},
                                           Layout{"Gop12B3Closed", 12, 3, true, false},
                                           Layout{"Gop15B2Interlaced", 15, 2, false, true},
                                           Layout{"IpOnly", 15, 0, false, false},
                                           Layout{"IntraOnly", 1, 0, false, false}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(EncodedStreamPushing, HowBytesAreSplitDoesNotChangeTheUnits) {
  EncodeOptions options;
  options.frames = 30;
  options.constructs = ConstructsOf;
  Bytes stream;
  for (const auto& p : EncodeMpeg2(options))
    stream.insert(stream.end(), p.data.begin(), p.data.end());
  stream.insert(stream.end(), kSequenceEnd.begin(), kSequenceEnd.end());

  auto run = [&](auto push) {
    CaptureSink sink;
    CPictureAssembler assembler(&sink);
    push(assembler);
    return sink.units;
  };
  const auto whole = run([&](CPictureAssembler& a) { a.Push(stream); });
  ASSERT_EQ(whole.size(), Expected(30).size());
  const auto byteWise = run([&](CPictureAssembler& a) {
    for (std::uint8_t b : stream)
      a.PushByte(b);
  });
  EXPECT_EQ(byteWise, whole);
  std::mt19937 random(7);
  for (int round = 0; round < 20; ++round) {
    const auto chunked = run([&](CPictureAssembler& a) {
      std::size_t at = 0;
      while (at < stream.size()) {
        const std::size_t n = std::min<std::size_t>(stream.size() - at, 1 + random() % 9);
        a.Push(std::span(stream).subspan(at, n));
        at += n;
      }
    });
    ASSERT_EQ(chunked, whole) << "round " << round;
  }
}

}  // namespace
