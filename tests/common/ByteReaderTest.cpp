#include "common/ByteReader.h"

#include <gtest/gtest.h>

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

}  // namespace
