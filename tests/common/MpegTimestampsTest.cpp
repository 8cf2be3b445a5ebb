#include "common/MpegTimestamps.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdint>

namespace {

using common::kScrWrap;
using common::kTimestampWrap;

constexpr std::uint64_t kSamples[] = {0,          1,          0x7FFF,      0x8000,
                                      0x3FFFFFFF, 0x40000000, 0x123456789, kTimestampWrap - 1};

TEST(MpegTimestamps, PesFieldHasItsKnownLayout) {
  std::array<std::uint8_t, 5> field{};
  common::WritePesTimestamp(field, 2, 0x123456789);
  EXPECT_EQ(field, (std::array<std::uint8_t, 5>{0x29, 0x8D, 0x15, 0xCF, 0x13}));
}

TEST(MpegTimestamps, PesFieldRoundTripsWithPrefixAndMarkers) {
  for (const unsigned prefix : {1u, 2u, 3u}) {
    for (const std::uint64_t value : kSamples) {
      std::array<std::uint8_t, 5> field{};
      common::WritePesTimestamp(field, prefix, value);
      EXPECT_EQ(common::ReadPesTimestamp(field), value);
      EXPECT_EQ(field[0] >> 4, prefix);
      EXPECT_EQ(field[0] & 1, 1);
      EXPECT_EQ(field[2] & 1, 1);
      EXPECT_EQ(field[4] & 1, 1);
    }
  }
}

TEST(MpegTimestamps, PesValueWrapsAt33Bits) {
  std::array<std::uint8_t, 5> field{};
  common::WritePesTimestamp(field, 2, kTimestampWrap + 5);
  EXPECT_EQ(common::ReadPesTimestamp(field), 5u);
  common::WritePesTimestamp(field, 2, kTimestampWrap - 1);
  EXPECT_EQ(common::ReadPesTimestamp(field), kTimestampWrap - 1);
}

TEST(MpegTimestamps, SettingTheValueKeepsPrefixAndMarkersAsTheyWere) {
  // Marker bits cleared on purpose: a rewrite must not repair or change them.
  std::array<std::uint8_t, 5> field = {0x30, 0x00, 0x00, 0x00, 0x00};
  common::SetPesTimestampValue(field, kTimestampWrap - 1);
  EXPECT_EQ(field, (std::array<std::uint8_t, 5>{0x3E, 0xFF, 0xFE, 0xFF, 0xFE}));
  EXPECT_EQ(common::ReadPesTimestamp(field), kTimestampWrap - 1);
  field = {0x21, 0xFF, 0xFF, 0xFF, 0xFF};
  common::SetPesTimestampValue(field, 0);
  EXPECT_EQ(field, (std::array<std::uint8_t, 5>{0x21, 0x00, 0x01, 0x00, 0x01}));
}

TEST(MpegTimestamps, ScrFieldHasItsKnownLayout) {
  std::array<std::uint8_t, 6> field{};
  common::WriteScr(field, 0x123456789 * 300 + 299);
  EXPECT_EQ(field, (std::array<std::uint8_t, 6>{0x66, 0x34, 0x57, 0x3C, 0x4E, 0x57}));
}

TEST(MpegTimestamps, ScrRoundTripsWithPrefixAndMarkersAndWraps) {
  for (const std::uint64_t base : kSamples) {
    for (const std::uint64_t extension : {0u, 1u, 128u, 299u}) {
      const std::uint64_t scr = base * 300 + extension;
      std::array<std::uint8_t, 6> field{};
      common::WriteScr(field, scr);
      EXPECT_EQ(common::ReadScr(field), scr);
      EXPECT_EQ(field[0] >> 6, 1);
      EXPECT_EQ(field[0] & 0x04, 0x04);
      EXPECT_EQ(field[2] & 0x04, 0x04);
      EXPECT_EQ(field[4] & 0x04, 0x04);
      EXPECT_EQ(field[5] & 0x01, 0x01);
    }
  }
  std::array<std::uint8_t, 6> field{};
  common::WriteScr(field, kScrWrap + 7);
  EXPECT_EQ(common::ReadScr(field), 7u);
}

}  // namespace
