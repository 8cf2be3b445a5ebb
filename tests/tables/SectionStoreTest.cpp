#include <vector>

#include "tests/tables/TablesFixture.h"

namespace tables::test {
namespace {

using StoreTest = TablesFixture;

TEST_F(StoreTest, KeyPacksPidTableVersionAndTag) {
  const Bytes pmt = LongSection(0x02, 1, 3, {0xE1, 0x00, 0xF0, 0x00}, 2, 4);
  const common::ListKey key = SectionStore::KeyOf(pmt, Tag(7, 0x1234, 1, 0x04));
  EXPECT_EQ(key.low, 0x34u << 24 | 0x02u << 16 | 3u << 8 | 2u);
  EXPECT_EQ(static_cast<std::uint32_t>(key.high), 0x04u << 24 | 1u << 16 | 7u << 8 | 0x12u);

  const SectionTag back = SectionStore::TagOf(key);
  EXPECT_EQ(back.pid, 0x1234);
  EXPECT_EQ(back.physical, 7);
  EXPECT_EQ(back.tuningSpace, 1);
  EXPECT_EQ(back.modulation, 0x04);
}

TEST_F(StoreTest, SectionWithoutSyntaxIndicatorIsKeyedOnce) {
  const Bytes first = ShortSection(0x70, {0x01, 0x02, 0x03});
  const Bytes second = ShortSection(0x70, {0x09, 0x08, 0x07, 0x06});
  EXPECT_EQ(SectionStore::KeyOf(first, Tag(7, 0x14)).low & 0xFFFF, 0x0101u);

  EXPECT_TRUE(Dispatch(first, Tag(7, 0x14)));
  EXPECT_TRUE(Dispatch(second, Tag(7, 0x14)));
  ASSERT_EQ(store_.size(), 1u);
  EXPECT_EQ(store_.Records().begin()->second.section, first);
}

TEST_F(StoreTest, RepeatStoredOnceNewVersionBeside) {
  EXPECT_TRUE(Dispatch(Pat(1, 0, {{1, 0x30}}), Tag(7, 0)));
  EXPECT_TRUE(Dispatch(Pat(1, 0, {{1, 0x30}}), Tag(7, 0)));
  EXPECT_EQ(store_.size(), 1u);
  EXPECT_TRUE(Dispatch(Pat(1, 1, {{1, 0x40}}), Tag(7, 0)));
  EXPECT_EQ(store_.size(), 2u);
}

TEST_F(StoreTest, DumpOrderIsModulationSpacePhysicalPidTableVersionNumber) {
  // Filed out of order; modulation 0x80 makes the high word negative, so it
  // sorts first as the signed comparison requires.
  struct Item {
    Bytes section;
    SectionTag tag;
  };
  const std::vector<Item> items = {
      {LongSection(0xCB, 1, 2, {0, 0}), Tag(9, 0x1D00, 0, 0x01)},
      {LongSection(0xCB, 1, 1, {0, 0}), Tag(9, 0x1D00, 0, 0x01)},
      {LongSection(0xC8, 1, 1, {0, 0}), Tag(9, 0x1D00, 0, 0x01)},
      {LongSection(0x00, 1, 0, {}), Tag(9, 0x0000, 0, 0x01)},
      {LongSection(0x00, 1, 0, {}), Tag(8, 0x0000, 0, 0x01)},
      {LongSection(0x00, 1, 0, {}), Tag(3, 0x0000, 1, 0x01)},
      {LongSection(0x00, 1, 0, {}), Tag(40, 0x0000, 4, 0x80)},
      {LongSection(0xCB, 1, 1, {0, 0}, 1, 1), Tag(9, 0x1D00, 0, 0x01)},
  };
  for (const auto& item : items)
    store_.StoreSection(item.section, item.tag);

  std::vector<std::pair<SectionTag, std::uint32_t>> seen;
  for (const auto& [key, record] : store_.Records())
    seen.emplace_back(SectionStore::TagOf(key), key.low & 0xFFFFFF);
  ASSERT_EQ(seen.size(), items.size());
  EXPECT_EQ(seen[0].first.modulation, 0x80);
  EXPECT_EQ(seen[1].first.physical, 8);
  EXPECT_EQ(seen[2].first.physical, 9);
  EXPECT_EQ(seen[2].first.pid, 0);
  EXPECT_EQ(seen[3].second, 0xC80100u);
  EXPECT_EQ(seen[4].second, 0xCB0100u);
  EXPECT_EQ(seen[5].second, 0xCB0101u);
  EXPECT_EQ(seen[6].second, 0xCB0200u);
  EXPECT_EQ(seen[7].first.tuningSpace, 1);  // tuning space 1 after 0 for the same modulation
}

TEST_F(StoreTest, LengthMismatchDroppedBeforeAnyHandler) {
  // Five bytes that claim a long section: dropped, nothing copied.
  const Bytes sample{0x00, 0xB6, 0x8E, 0x00, 0x01};
  EXPECT_FALSE(Dispatch(sample, Tag(7, 0)));
  EXPECT_FALSE(Dispatch(Bytes{0x00, 0xB0}, Tag(7, 0)));
  Bytes padded = Pat(1, 0, {{1, 0x30}});
  padded.push_back(0xFF);
  EXPECT_FALSE(Dispatch(padded, Tag(7, 0)));
  EXPECT_EQ(store_.size(), 0u);
  EXPECT_TRUE(graph_.psiPids.entries.empty());
}

}  // namespace
}  // namespace tables::test
