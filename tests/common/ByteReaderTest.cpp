#include "common/ByteReader.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

using common::ByteReader;

TEST(ByteReader, ReadsBigEndianFieldsAndBitFields) {
  const std::uint8_t bytes[] = {0x12, 0x34, 0x56, 0x78, 0xB0, 0x0D, 0xAB};
  ByteReader r(bytes);
  EXPECT_EQ(r.U16(), 0x1234);
  EXPECT_EQ(r.U16(), 0x5678);
  EXPECT_EQ(r.Bits(1), 1u);  // section_syntax_indicator
  EXPECT_EQ(r.Bits(3), 3u);  // '011'
  EXPECT_EQ(r.Bits(12), 0x00Du);
  EXPECT_EQ(r.U8(), 0xAB);
  EXPECT_TRUE(r.Ok());
  EXPECT_TRUE(r.AtEnd());
}

TEST(ByteReader, ReadPastTheEndIsStickyAndReturnsZero) {
  const std::uint8_t bytes[] = {0xFF, 0xFF, 0xFF};
  ByteReader r(bytes);
  EXPECT_EQ(r.U32(), 0u);
  EXPECT_FALSE(r.Ok());
  EXPECT_EQ(r.U8(), 0u);  // even a read that would fit fails after an error
  EXPECT_EQ(r.Remaining(), 0u);
}

TEST(ByteReader, SubReaderIsLimitedToItsDeclaredLength) {
  const std::uint8_t bytes[] = {0x02, 0xAA, 0xBB, 0xCC};
  ByteReader r(bytes);
  const std::uint8_t length = r.U8();
  ByteReader descriptor = r.Sub(length);
  EXPECT_EQ(descriptor.U16(), 0xAABB);
  EXPECT_EQ(descriptor.U8(), 0u);
  EXPECT_FALSE(descriptor.Ok());
  EXPECT_TRUE(r.Ok());
  EXPECT_EQ(r.U8(), 0xCC);

  ByteReader tooLong(bytes);
  tooLong.Skip(1);
  ByteReader bad = tooLong.Sub(10);
  EXPECT_FALSE(bad.Ok());
  EXPECT_FALSE(tooLong.Ok());
}

TEST(ByteReader, BitFieldsCrossByteBoundariesAndPeekingDoesNotMove) {
  const std::uint8_t bytes[] = {0x00, 0x00, 0x01, 0xB3, 0x0B, 0x00, 0x90, 0x24};
  ByteReader r(bytes);
  EXPECT_EQ(r.PeekBits(32), 0x000001B3u);
  EXPECT_EQ(r.Bits(32), 0x000001B3u);
  EXPECT_EQ(r.Bits(12), 176u);
  EXPECT_EQ(r.Bits(12), 144u);
  EXPECT_EQ(r.PeekBits(3), 1u);
  EXPECT_EQ(r.Bits(4), 2u);
  r.SkipBits(1);
  EXPECT_EQ(r.Bits(3), 4u);
  EXPECT_TRUE(r.Ok());
  // Reads that start in the middle of a byte, of 32 bits and of more.
  ByteReader odd(bytes);
  odd.SkipBits(4);
  EXPECT_EQ(odd.Bits(32), 0x00001B30u);
  ByteReader wide(bytes);
  wide.SkipBits(20);
  EXPECT_EQ(wide.Bits(40), 0x1B30B00902ull);
}

TEST(ByteReader, BitReadsNeverLeaveTheirSpan) {
  // The reader covers the first four bytes; the bytes after them must not show up.
  const std::vector<std::uint8_t> memory = {0x00, 0x00, 0x01, 0xB5, 0xFF, 0xFF, 0xFF, 0xFF};
  ByteReader r(std::span<const std::uint8_t>(memory.data(), 4));
  r.SkipBits(24);
  EXPECT_EQ(r.PeekBits(32), 0xB5000000u);  // past the end reads as zero bits
  EXPECT_TRUE(r.Ok());                     // looking is not consuming
  EXPECT_EQ(r.Bits(16), 0u);               // a read that does not fit fails whole
  EXPECT_FALSE(r.Ok());
  EXPECT_EQ(r.Position(), 4u);  // stopped at the end
  EXPECT_EQ(r.PeekBits(8), 0u);

  ByteReader skip(std::span<const std::uint8_t>(memory.data(), 4));
  skip.SkipBits(33);
  EXPECT_FALSE(skip.Ok());
}

TEST(ByteReader, NextStartCodeAlignsAndStopsAtThePrefix) {
  const std::uint8_t bytes[] = {0xAB, 0x00, 0x01, 0x00, 0x00, 0x00, 0x01, 0xB2, 0x47};
  ByteReader r(bytes);
  r.SkipBits(3);
  r.NextStartCode();
  EXPECT_EQ(r.Position(), 4u);  // 0x00 0x01 at 1-2 is not a prefix
  EXPECT_EQ(r.PeekBits(32), 0x000001B2u);
  r.NextStartCode();  // already at one: stays
  EXPECT_EQ(r.Position(), 4u);
  EXPECT_TRUE(r.Ok());
  r.SkipBits(8);
  EXPECT_EQ(r.BytesToNextStartCode(), 4u);  // to the end: no further prefix
  r.NextStartCode();
  EXPECT_FALSE(r.Ok());
  EXPECT_EQ(r.Position(), sizeof bytes);
}

}  // namespace
