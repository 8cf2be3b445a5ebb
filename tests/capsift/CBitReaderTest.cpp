#include "capsift/CBitReader.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

namespace {

using capsift::CBitReader;

TEST(CBitReader, ReadsFieldsAcrossByteBoundaries) {
  const std::uint8_t bytes[] = {0x00, 0x00, 0x01, 0xB3, 0x0B, 0x00, 0x90, 0x24};
  CBitReader r(bytes);
  EXPECT_EQ(r.Show(32), 0x000001B3u);
  EXPECT_EQ(r.Get(32), 0x000001B3u);
  EXPECT_EQ(r.Get(12), 176u);
  EXPECT_EQ(r.Get(12), 144u);
  EXPECT_EQ(r.Show(3), 1u);
  EXPECT_EQ(r.Get(4), 2u);
  r.Skip(1);
  EXPECT_EQ(r.Get(3), 4u);
  EXPECT_FALSE(r.Overrun());
  // A 32-bit read that starts in the middle of a byte.
  CBitReader odd(bytes);
  odd.Skip(4);
  EXPECT_EQ(odd.Get(32), 0x00001B30u);
}

TEST(CBitReader, NeverReadsOutsideItsRegion) {
  // The region is the first four bytes; the bytes after it must not show up.
  const std::vector<std::uint8_t> memory = {0x00, 0x00, 0x01, 0xB5, 0xFF, 0xFF, 0xFF, 0xFF};
  const std::span<const std::uint8_t> region(memory.data(), 4);
  CBitReader r(region);
  r.Skip(24);
  EXPECT_EQ(r.Show(32), 0xB5000000u);  // beyond the end reads as zero bits
  EXPECT_FALSE(r.Overrun());           // looking is not consuming
  EXPECT_EQ(r.Get(16), 0xB500u);
  EXPECT_TRUE(r.Overrun());
  EXPECT_EQ(r.BytePosition(), 4u);  // clamped to the end
  EXPECT_EQ(r.Get(8), 0u);
  EXPECT_TRUE(r.Overrun());
}

TEST(CBitReader, NextStartCodeAlignsAndStopsAtThePrefix) {
  const std::uint8_t bytes[] = {0xAB, 0x00, 0x01, 0x00, 0x00, 0x00, 0x01, 0xB2, 0x47};
  CBitReader r(bytes);
  r.Skip(3);
  r.NextStartCode();
  EXPECT_EQ(r.BytePosition(), 4u);  // 0x00 0x01 at 1-2 is not a prefix
  EXPECT_EQ(r.Show(32), 0x000001B2u);
  r.NextStartCode();  // already at one: stays
  EXPECT_EQ(r.BytePosition(), 4u);
  EXPECT_FALSE(r.Overrun());
  r.Skip(8);
  EXPECT_EQ(r.BytesToNextStartCode(), 4u);  // to the end: no further prefix
  r.NextStartCode();
  EXPECT_TRUE(r.Overrun());
  EXPECT_EQ(r.BytePosition(), sizeof bytes);
}

}  // namespace
