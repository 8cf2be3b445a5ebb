#include "common/Crc32.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

TEST(Crc32, PublishedCheckValue) {
  const std::string digits = "123456789";
  EXPECT_EQ(common::Crc32Mpeg2({reinterpret_cast<const std::uint8_t*>(digits.data()), 9}),
            0x0376E6E7u);
}

TEST(Crc32, SectionWithItsCrcChecksToZeroAndSplitUpdatesAgree) {
  // A PAT section: table 0, TSID 1, one programme 1 on PID 0x100, then its CRC.
  std::vector<std::uint8_t> pat = {0x00, 0xB0, 0x0D, 0x00, 0x01, 0xC1,
                                   0x00, 0x00, 0x00, 0x01, 0xE1, 0x00};
  const std::uint32_t crc = common::Crc32Mpeg2(pat);
  for (int shift = 24; shift >= 0; shift -= 8)
    pat.push_back(static_cast<std::uint8_t>(crc >> shift));
  EXPECT_EQ(common::Crc32Mpeg2(pat), 0u);

  std::uint32_t running = common::kCrc32Initial;
  running = common::Crc32Update(running, std::span(pat).first(5));
  running = common::Crc32Update(running, std::span(pat).subspan(5));
  EXPECT_EQ(running, 0u);
}

}  // namespace
