// The encoded loop: captions carried as A/53 user data in display order, the
// pop-on captions they spell, and the loop cache.
#include <gtest/gtest.h>

#include <array>
#include <fstream>

#include "common/ByteReader.h"
#include "tests/broadcast/TestSupport.h"
#include "tools/broadcast/Cea608.h"
#include "tools/broadcast/ElementaryLoop.h"

namespace broadcast::test {
namespace {

ChannelDescription TestChannel() {
  return ParseOne(kAtscText).channels[0];
}

const EncodedLoop& Loop() {
  static const EncodedLoop loop = [] {
    EncodedLoop l;
    std::string error;
    EXPECT_TRUE(LoadOrEncodeLoop(TestChannel(), TestOptions().loop, TestCacheFolder(), l, error))
        << error;
    return l;
  }();
  return loop;
}

struct CodedPicture {
  int temporalReference = 0;
  int codingType = 0;
  std::vector<CaptionPair> field1;  // valid cc_type 0 constructs
};

// Reads the picture header and GA94 cc_data of one coded picture.
CodedPicture ReadPicture(const Bytes& au) {
  CodedPicture p;
  for (std::size_t i = 0; i + 4 <= au.size(); ++i) {
    if (au[i] != 0 || au[i + 1] != 0 || au[i + 2] != 1) continue;
    common::ByteReader r(std::span<const std::uint8_t>(au).subspan(i + 4));
    if (au[i + 3] == 0x00) {
      p.temporalReference = static_cast<int>(r.Bits(10));
      p.codingType = static_cast<int>(r.Bits(3));
    } else if (au[i + 3] == 0xB2 && r.U32() == 0x47413934 && r.U8() == 0x03) {
      const int flags = r.U8();
      r.U8();
      for (int k = 0; k < (flags & 0x1F); ++k) {
        const int head = r.U8();
        const std::uint8_t a = r.U8();
        const std::uint8_t b = r.U8();
        if ((head & 0x04) && (head & 0x03) == 0) p.field1.push_back({a, b});
      }
      EXPECT_TRUE(flags & 0x40);
      EXPECT_TRUE(r.Ok());
    }
  }
  return p;
}

TEST(EncodedLoop, PicturesCarryTheCaptionTrackInDisplayOrder) {
  const EncodedLoop& loop = Loop();
  ASSERT_EQ(loop.video.size(), 60u);
  ASSERT_EQ(loop.captions.size(), 60u);
  EXPECT_EQ(loop.videoDuration, 60u * 3003);
  std::vector<CaptionPair> display(60, CaptionPair{0, 0});
  int gopStart = 0, gopSize = 0, bFrames = 0;
  for (const AccessUnit& au : loop.video) {
    const CodedPicture p = ReadPicture(au.data);
    if (p.codingType == 1) {
      gopStart += gopSize;
      gopSize = 0;
      EXPECT_TRUE(au.key);
    }
    ++gopSize;
    bFrames += p.codingType == 3;
    ASSERT_EQ(p.field1.size(), 1u);
    display.at(static_cast<std::size_t>(gopStart + p.temporalReference)) = p.field1[0];
    // PTS is the display position, DTS the decode position.
    EXPECT_EQ(au.pts, static_cast<std::uint64_t>(gopStart + p.temporalReference + 1) * 3003);
  }
  EXPECT_GT(bFrames, 10);
  EXPECT_EQ(display, loop.captions);
}

// A pop-on interpreter for CC1: builds the off-screen rows and returns the
// rows shown at every End Of Caption.
std::vector<std::vector<std::string>> ShownCaptions(const std::vector<CaptionPair>& pairs) {
  std::vector<std::vector<std::string>> shown;
  std::array<std::string, 16> memory;
  int row = 15;
  CaptionPair previous{0, 0};
  for (const CaptionPair& pair : pairs) {
    for (const std::uint8_t b : pair)
      EXPECT_EQ(__builtin_popcount(b) % 2, 1) << int(b);
    const std::uint8_t a = pair[0] & 0x7F;
    const std::uint8_t b = pair[1] & 0x7F;
    if (a >= 0x10 && a <= 0x1F) {
      const bool repeat = pair == previous;
      previous = pair;
      if (repeat) continue;
      if (a == 0x14 && b == 0x2E) memory = {};
      if (a == 0x14 && b == 0x2F) {
        std::vector<std::string> rows;
        for (std::string r : memory) {
          while (!r.empty() && r.back() == ' ')
            r.pop_back();
          if (!r.empty()) rows.push_back(r);
        }
        shown.push_back(rows);
      }
      if (a == 0x14 && (b == 0x40 || b == 0x60)) row = b == 0x40 ? 14 : 15;
      continue;
    }
    previous = {0, 0};
    for (const std::uint8_t ch : {a, b})
      if (ch >= 0x20) memory[static_cast<std::size_t>(row)].push_back(static_cast<char>(ch));
  }
  return shown;
}

TEST(EncodedLoop, CaptionTrackShowsTheChannelsCaptions) {
  EXPECT_EQ(ShownCaptions(Loop().captions), LoopCaptionTexts(TestChannel()));
}

TEST(Cea608, CaptionsThatDoNotFitAreLeftOutWhole) {
  const std::vector<std::vector<std::string>> captions = {{"FIRST"}, {"SECOND CAPTION"}};
  const auto track = CaptionTrack(captions, 20);
  EXPECT_EQ(ShownCaptions(track), (std::vector<std::vector<std::string>>{{"FIRST"}}));
  EXPECT_EQ(ShownCaptions(CaptionTrack(captions, 40)), captions);
}

TEST(Cea608, ParityAndTheNullPair) {
  EXPECT_EQ(OddParity(0x00), 0x80);
  EXPECT_EQ(OddParity(0x14), 0x94);
  EXPECT_EQ(OddParity(0x20), 0x20);
  EXPECT_EQ(OddParity(0x41), 0xC1);
  const auto pairs = PopOnCaption({"AB", "C"});
  EXPECT_EQ(pairs.front(), (CaptionPair{0x94, 0x20}));            // RCL
  EXPECT_EQ(pairs.back(), (CaptionPair{0x94, 0x2F}));             // EOC
  EXPECT_EQ(pairs[pairs.size() - 3], (CaptionPair{0x43, 0x80}));  // "C" padded with a null
}

TEST(EncodedLoop, AudioLoopHoldsWholeAc3Frames) {
  const EncodedLoop& loop = Loop();
  ASSERT_EQ(loop.audio.size(), 125u);
  EXPECT_EQ(loop.audioDuration, 125u * 2880);
  for (std::size_t i = 0; i < loop.audio.size(); ++i) {
    const Bytes& f = loop.audio[i].data;
    ASSERT_GE(f.size(), 5u);
    EXPECT_EQ(f[0] << 8 | f[1], 0x0B77);  // AC-3 sync word
    EXPECT_EQ(f.size(), 768u);            // 192 kbit/s at 48 kHz
    EXPECT_EQ(loop.audio[i].pts, i * 2880);
  }
}

TEST(LoopCache, SecondLoadReadsTheCacheAndDamagedFilesAreRebuilt) {
  const testsupport::TempFolder scratch("corvane-loop-cache");
  const std::filesystem::path& folder = scratch.Path();
  ChannelDescription radio = ParseOne(kAtscText).channels[1];
  radio.videoPid = 0;  // audio only keeps this quick
  EncodedLoop first, second, third;
  std::string error;
  ASSERT_TRUE(LoadOrEncodeLoop(radio, TestOptions().loop, folder, first, error)) << error;
  std::vector<std::filesystem::path> files;
  for (const auto& entry : std::filesystem::directory_iterator(folder))
    files.push_back(entry.path());
  ASSERT_EQ(files.size(), 1u);
  ASSERT_TRUE(LoadOrEncodeLoop(radio, TestOptions().loop, folder, second, error));
  EXPECT_EQ(SerializeLoop(second), SerializeLoop(first));
  std::filesystem::resize_file(files[0], std::filesystem::file_size(files[0]) / 2);
  ASSERT_TRUE(LoadOrEncodeLoop(radio, TestOptions().loop, folder, third, error));
  EXPECT_EQ(SerializeLoop(third), SerializeLoop(first));
  EXPECT_EQ(std::filesystem::file_size(files[0]), SerializeLoop(first).size());
}

TEST(LoopCache, DeserializeRefusesEveryTruncation) {
  const Bytes bytes = SerializeLoop(Loop());
  EncodedLoop out;
  ASSERT_TRUE(DeserializeLoop(bytes, out));
  for (std::size_t n = 0; n < bytes.size(); n += 97)
    EXPECT_FALSE(DeserializeLoop(std::span(bytes).first(n), out)) << n;
  Bytes longer = bytes;
  longer.push_back(0);
  EXPECT_FALSE(DeserializeLoop(longer, out));
}

}  // namespace
}  // namespace broadcast::test
