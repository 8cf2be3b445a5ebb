// The extractor on hand-made streams: display order, resets, the caption
// filter rules, sequence boundaries, field pictures, start times and damaged
// input.
#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "capsift/CPictureAssembler.h"
#include "tests/capsift/CaptureSink.h"
#include "tests/capsift/EsBuilder.h"

namespace {

using capsift::CPictureAssembler;
using capsift::test::CaptureSink;
using capsift::test::CcConstruct;
using capsift::test::EsBuilder;
using capsift::test::Field1;
using capsift::test::Unit;
using Bytes = std::vector<std::uint8_t>;

constexpr std::uint8_t kI = 1, kP = 2, kB = 3;

// A distinct kept pair per frame number.
CcConstruct PairOf(int n) {
  return Field1(static_cast<std::uint8_t>(0xC1 + n), static_cast<std::uint8_t>(0x41 + n));
}
Bytes BytesOf(int n) {
  return {static_cast<std::uint8_t>(0xC1 + n), static_cast<std::uint8_t>(0x41 + n)};
}

class Extractor : public ::testing::Test {
 protected:
  // Pushes one input sample; a negative time means "sample without a time".
  void Sample(const EsBuilder& b, std::int64_t time = -1) {
    if (time >= 0) assembler.SetInputStartTime(time);
    assembler.Push(b.Bytes());
  }

  CaptureSink sink;
  CPictureAssembler assembler{&sink};
};

TEST_F(Extractor, FramePicturesLeaveInDisplayOrder) {
  struct Pic {
    std::uint8_t type;
    int display;
  };
  const Pic coded[] = {{kI, 0}, {kP, 3}, {kB, 1}, {kB, 2}, {kP, 6}, {kB, 4}, {kB, 5}};
  std::vector<std::size_t> countAfterSample;
  for (const auto& pic : coded) {
    EsBuilder b;
    if (pic.display == 0) b.SequenceHeader().Group();
    b.Picture(pic.type, {PairOf(pic.display)});
    Sample(b, 1000 * pic.display);
    countAfterSample.push_back(sink.units.size());
  }
  Sample(EsBuilder().SequenceHeader());
  countAfterSample.push_back(sink.units.size());

  // I0 leaves when P3 completes (at B1's start code), P3 when P6 completes,
  // P6 only at the next sequence header.
  EXPECT_EQ(countAfterSample, (std::vector<std::size_t>{0, 0, 1, 2, 3, 4, 5, 7}));
  ASSERT_EQ(sink.units.size(), 7u);
  for (int n = 0; n < 7; ++n) {
    EXPECT_EQ(sink.units[n], (Unit{BytesOf(n), 1000 * n})) << "display frame " << n;
  }
  EXPECT_EQ(assembler.StreamFrameCount(), 7u);
}

TEST_F(Extractor, AfterResetBFramesWithoutForwardReferenceGiveNothing) {
  Sample(EsBuilder().SequenceHeader().Group().Picture(kI, {PairOf(9)}).Picture(kP, {PairOf(8)}),
         4000);
  // Half a picture in progress is lost by the reset.
  Sample(EsBuilder().PictureHeader(kB).CcUserData({PairOf(7)}));
  const std::size_t before = sink.units.size();
  assembler.Reset();
  EXPECT_FALSE(assembler.SequenceActive());

  EsBuilder b;
  b.SequenceHeader().Group();
  b.Picture(kI, {PairOf(2)}).Picture(kB, {PairOf(0)}).Picture(kB, {PairOf(1)});
  b.Picture(kP, {PairOf(5)}).SequenceEnd();
  Sample(b);  // no time: the input start time survives the reset
  const std::vector<Unit> after(sink.units.begin() + static_cast<std::ptrdiff_t>(before),
                                sink.units.end());
  ASSERT_EQ(after.size(), 2u);
  EXPECT_EQ(after[0], (Unit{BytesOf(2), 4000}));  // I2, when P5 completes
  EXPECT_EQ(after[1], (Unit{BytesOf(5), 4000}));  // P5, at the sequence end
}

// Streams of one I frame whose user data is given; the unit comes out at
// the sequence end.
std::vector<Unit> UnitsOfOneFrame(const std::vector<CcConstruct>& constructs,
                                  std::uint8_t flags = 0x40, int countOverride = -1) {
  CaptureSink sink;
  CPictureAssembler assembler(&sink);
  EsBuilder b;
  b.SequenceHeader().Group().PictureHeader(kI).CcUserData(constructs, flags, countOverride);
  b.Slice().SequenceEnd();
  assembler.Push(b.Bytes());
  return sink.units;
}

TEST(CaptionPairs, OnlyValidField1PairsOtherThanNullAreKept) {
  struct Case {
    const char* what;
    std::vector<CcConstruct> constructs;
    std::uint8_t flags;
    int countOverride;
    Bytes kept;
  };
  const Case cases[] = {
      {"null pair", {Field1(0x80, 0x80)}, 0x40, -1, {}},
      {"half-null pairs",
       {Field1(0x80, 0x41), Field1(0x94, 0x80)},
       0x40,
       -1,
       {0x80, 0x41, 0x94, 0x80}},
      {"field 2, DTVCC",
       {{0xFD, 0x41, 0x42}, {0xFE, 0x43, 0x44}, {0xFF, 0x45, 0x46}},
       0x40,
       -1,
       {}},
      {"cc_valid 0", {{0xF8, 0x41, 0x42}}, 0x40, -1, {}},
      {"process_cc_data_flag clear", {Field1(0x41, 0x42)}, 0x00, -1, {}},
      {"cc_count 0", {Field1(0x41, 0x42)}, 0x40, 0, {}},
      {"marker bits are not tested", {{0x04, 0x41, 0x42}}, 0x40, -1, {0x41, 0x42}},
      {"mixed",
       {{0xFD, 0x10, 0x11}, Field1(0x14, 0x2C), {0xFA, 0x12, 0x13}, Field1(0x20, 0x20)},
       0x40,
       -1,
       {0x14, 0x2C, 0x20, 0x20}},
      // A cc_count beyond the data present must not read the next start code
      // and slice bytes as constructs.
      {"cc_count past the data", {Field1(0x41, 0x42)}, 0x40, 9, {0x41, 0x42}},
  };
  for (const auto& c : cases) {
    const auto units = UnitsOfOneFrame(c.constructs, c.flags, c.countOverride);
    if (c.kept.empty()) {
      EXPECT_TRUE(units.empty()) << c.what;
    } else {
      ASSERT_EQ(units.size(), 1u) << c.what;
      EXPECT_EQ(units[0].bytes, c.kept) << c.what;
    }
  }
}

TEST(CaptionPairs, MoreThan128PairsPerFrameAreCappedInOrder) {
  CaptureSink sink;
  CPictureAssembler assembler(&sink);
  EsBuilder b;
  b.SequenceHeader().Group().PictureHeader(kI);
  Bytes expected;
  for (int u = 0; u < 5; ++u) {  // 5 x 31 = 155 pairs
    std::vector<CcConstruct> constructs;
    for (int i = 0; i < 31; ++i) {
      const auto n = static_cast<std::uint8_t>(u * 31 + i);
      constructs.push_back(Field1(n, 0x01));
      if (expected.size() < 256) expected.insert(expected.end(), {n, 0x01});
    }
    b.CcUserData(constructs);
  }
  b.Slice().SequenceEnd();
  assembler.Push(b.Bytes());
  ASSERT_EQ(sink.units.size(), 1u);
  EXPECT_EQ(sink.units[0].bytes, expected);
  EXPECT_EQ(assembler.DroppedPairs(), 155u - 128u);
}

TEST_F(Extractor, OtherUserDataIsSteppedOver) {
  EsBuilder b;
  b.SequenceHeader().Group().PictureHeader(kI);
  b.UserData("DTG1\xF8\x41\x42");                      // AFD
  b.UserData(std::string("GA94\x06\xFC\x41\x42", 8));  // bar data, not cc_data
  b.UserData("\x03\x81\xFC\x41\x42 SCTE 20 style");
  b.CcUserData({PairOf(1)});
  b.UserData("TiVo");
  b.Slice().SequenceEnd();
  Sample(b);
  ASSERT_EQ(sink.units.size(), 1u);
  EXPECT_EQ(sink.units[0].bytes, BytesOf(1));
}

TEST_F(Extractor, SequenceAndGroupPairsJoinTheNextPictureCompleted) {
  EsBuilder b;
  b.SequenceHeader().CcUserData({PairOf(0)});
  b.Group().CcUserData({PairOf(1)});
  b.Picture(kI, {PairOf(2)}).Picture(kP, {PairOf(3)});
  // A group header met while P3 is pending is parsed before P3 is completed,
  // so its pairs go with P3.
  b.Group().CcUserData({PairOf(4)});
  b.Picture(kI, {PairOf(5)}).Picture(kP, {PairOf(6)}).SequenceEnd();
  Sample(b);
  auto join = [](std::initializer_list<int> frames) {
    Bytes out;
    for (int n : frames) {
      const Bytes pair = BytesOf(n);
      out.insert(out.end(), pair.begin(), pair.end());
    }
    return out;
  };
  ASSERT_EQ(sink.units.size(), 4u);
  EXPECT_EQ(sink.units[0].bytes, join({0, 1, 2}));
  EXPECT_EQ(sink.units[1].bytes, join({4, 3}));
  EXPECT_EQ(sink.units[2].bytes, join({5}));
  EXPECT_EQ(sink.units[3].bytes, join({6}));
}

TEST_F(Extractor, SequenceEndFlushesAndIgnoresBytesUntilTheNextSequence) {
  EsBuilder b;
  b.SequenceHeader().Group().Picture(kI, {PairOf(0)}).Picture(kP, {PairOf(1)});
  b.SequenceEnd();
  Sample(b);
  ASSERT_EQ(sink.units.size(), 2u);  // I0 when P1 completed, then P1 itself
  EXPECT_EQ(sink.units[1].bytes, BytesOf(1));
  EXPECT_FALSE(assembler.SequenceActive());

  // No sequence: groups and pictures are ignored.
  Sample(EsBuilder().Group().Picture(kI, {PairOf(5)}).Picture(kP, {PairOf(6)}).SequenceEnd());
  EXPECT_EQ(sink.units.size(), 2u);

  Sample(EsBuilder().SequenceHeader().Group().Picture(kI, {PairOf(7)}).SequenceEnd());
  ASSERT_EQ(sink.units.size(), 3u);
  EXPECT_EQ(sink.units[2].bytes, BytesOf(7));
}

TEST_F(Extractor, GroupBeforeTheFirstSequenceHeaderIsIgnored) {
  EsBuilder b;
  b.Group().Picture(kI, {PairOf(0)}).Picture(kP, {PairOf(1)});
  b.SequenceHeader().Group().Picture(kI, {PairOf(2)}).SequenceEnd();
  Sample(b);
  ASSERT_EQ(sink.units.size(), 1u);
  EXPECT_EQ(sink.units[0].bytes, BytesOf(2));
}

TEST_F(Extractor, StreamWithoutSequenceExtensionIsFrameCoded) {
  EsBuilder b;
  b.SequenceHeader(/*mpeg1=*/true).Group();
  b.Picture(kI, {PairOf(0)}, 0).Picture(kP, {PairOf(3)}, 0).Picture(kB, {PairOf(1)}, 0);
  b.Picture(kB, {PairOf(2)}, 0).SequenceEnd();
  Sample(b);
  ASSERT_EQ(sink.units.size(), 4u);
  for (int n = 0; n < 4; ++n)
    EXPECT_EQ(sink.units[n].bytes, BytesOf(n));
}

TEST_F(Extractor, FieldPairsCarryTheSecondFieldsPairsAndTime) {
  constexpr std::uint8_t kTop = 1, kBottom = 2;
  // Coded: frame 0 (I top, P bottom), frame 2 (P, P), frame 1 (B, B).
  struct Field {
    std::uint8_t type, structure;
    int pair;
    std::int64_t time;
  };
  const Field fields[] = {{kI, kTop, 10, 0},      {kP, kBottom, 11, 50}, {kP, kTop, 30, 200},
                          {kP, kBottom, 31, 250}, {kB, kTop, 20, 100},   {kB, kBottom, 21, 150}};
  for (const auto& f : fields) {
    EsBuilder b;
    if (f.time == 0) b.SequenceHeader().Group();
    b.Picture(f.type, {PairOf(f.pair)}, f.structure);
    Sample(b, f.time);
  }
  Sample(EsBuilder().SequenceEnd());
  const std::vector<Unit> expected = {{BytesOf(11), 50}, {BytesOf(21), 150}, {BytesOf(31), 250}};
  EXPECT_EQ(sink.units, expected);
}

TEST_F(Extractor, IncompleteFieldPairAtSequenceEndEmitsNothing) {
  EsBuilder b;
  b.SequenceHeader().Group().Picture(kI, {PairOf(0)}).Picture(kP, {PairOf(1)});
  b.Picture(kP, {PairOf(2)}, /*top field*/ 1).SequenceEnd();
  Sample(b);
  // I0 left when P1 completed; the P frame whose second field never came is
  // not emitted, nor is P1, which it displaced.
  ASSERT_EQ(sink.units.size(), 1u);
  EXPECT_EQ(sink.units[0].bytes, BytesOf(0));
}

TEST_F(Extractor, StartTimeIsTakenWhenThePictureStartCodeEnds) {
  Sample(EsBuilder().SequenceHeader().Group().Picture(kI, {PairOf(0)}), 5000);
  Sample(EsBuilder().Picture(kP, {PairOf(1)}));  // no time: keeps 5000
  // The next picture's start code is split across two samples: it takes the
  // time of the sample holding its last byte.
  Sample(EsBuilder().Raw({0x00, 0x00, 0x01}), 7000);
  Bytes rest = EsBuilder().PictureHeader(kP).CcUserData({PairOf(2)}).Slice().Bytes();
  rest.erase(rest.begin(), rest.begin() + 3);
  Sample(EsBuilder().Raw(rest), 9000);
  Sample(EsBuilder().SequenceEnd(), 11000);
  const std::vector<Unit> expected = {{BytesOf(0), 5000}, {BytesOf(1), 5000}, {BytesOf(2), 9000}};
  EXPECT_EQ(sink.units, expected);
}

TEST_F(Extractor, H264StreamYieldsNothing) {
  // Annex B access units: delimiter, SPS, PPS, an SEI carrying ATSC captions
  // (user_data_registered_itu_t_t35, "GA94"), an IDR slice.
  EsBuilder b;
  for (int au = 0; au < 4; ++au) {
    b.Raw({0x00, 0x00, 0x00, 0x01, 0x09, 0xF0});
    b.Raw({0x00, 0x00, 0x00, 0x01, 0x67, 0x4D, 0x40, 0x1E, 0x96, 0x52, 0x05, 0x89, 0xC8});
    b.Raw({0x00, 0x00, 0x00, 0x01, 0x68, 0xEB, 0x73, 0x52, 0x48});
    b.Raw({0x00, 0x00, 0x01, 0x06, 0x04, 0x11, 0xB5, 0x00, 0x31, 'G',  'A',  '9',
           '4',  0x03, 0xC2, 0xFF, 0xFC, 0x94, 0x2C, 0xFC, 0xC1, 0x41, 0xFF, 0x80});
    b.Raw({0x00, 0x00, 0x01, 0x65, 0x88, 0x84, 0x21, 0xA0});
    for (int i = 0; i < 300; ++i)
      b.Raw({static_cast<std::uint8_t>(0x11 + i % 0xE0)});
  }
  Sample(b);
  EXPECT_TRUE(sink.units.empty());
  EXPECT_FALSE(assembler.SequenceActive());
}

TEST_F(Extractor, TruncatedPictureIsDroppedAndTheOrderHolds) {
  EsBuilder b;
  b.SequenceHeader().Group().Picture(kI, {PairOf(0)}).Picture(kP, {PairOf(3)});
  // A picture cut off after two header bytes (its coding type says I): its
  // headers run into the next start code.
  b.StartCode(0x00).Raw({0x00, 0x08});
  b.Picture(kB, {PairOf(1)}).Picture(kB, {PairOf(2)}).SequenceEnd();
  Sample(b);
  EXPECT_EQ(assembler.DroppedPictures(), 1u);
  ASSERT_EQ(sink.units.size(), 4u);
  for (int n = 0; n < 4; ++n)
    EXPECT_EQ(sink.units[n].bytes, BytesOf(n));
}

TEST_F(Extractor, SequenceLongerThanTheBufferKeepsItsCaptions) {
  // One sequence header, then about 20 MiB of pictures.
  EsBuilder head;
  head.SequenceHeader().Group();
  Sample(head);
  const std::uint8_t types[] = {kI, kP, kP, kP};
  constexpr int kFrames = 80;
  for (int n = 0; n < kFrames; ++n) {
    EsBuilder pic;
    pic.PictureHeader(types[n % 4]).CcUserData({PairOf(n % 60)});
    for (int s = 0; s < 64; ++s)
      pic.Slice(4000);
    Sample(pic, n);
  }
  Sample(EsBuilder().SequenceEnd());
  EXPECT_EQ(assembler.AbandonedSequences(), 0u);
  ASSERT_EQ(sink.units.size(), static_cast<std::size_t>(kFrames));
  for (int n = 0; n < kFrames; ++n)
    EXPECT_EQ(sink.units[n], (Unit{BytesOf(n % 60), n}));
}

TEST_F(Extractor, PictureLargerThanTheBufferAbandonsTheSequence) {
  EsBuilder b;
  b.SequenceHeader().Group().Picture(kI, {PairOf(0)}).PictureHeader(kP).CcUserData({PairOf(1)});
  for (int s = 0; s < 2200; ++s)
    b.Slice(4000);  // about 8.8 MiB in one picture
  b.Picture(kP, {PairOf(2)});
  b.SequenceHeader().Group().Picture(kI, {PairOf(3)}).SequenceEnd();
  Sample(b);
  EXPECT_EQ(assembler.AbandonedSequences(), 1u);
  // I0 was held when the sequence was abandoned and leaves then; the huge
  // picture and the one after it are lost; the next sequence works.
  ASSERT_EQ(sink.units.size(), 2u);
  EXPECT_EQ(sink.units[0].bytes, BytesOf(0));
  EXPECT_EQ(sink.units[1].bytes, BytesOf(3));
}

}  // namespace
