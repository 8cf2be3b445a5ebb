#include <map>

#include "tests/tables/TablesFixture.h"

namespace tables::test {
namespace {

class MgtTest : public TablesFixture {
 protected:
  std::map<std::uint32_t, std::uint32_t> Listed() {
    std::map<std::uint32_t, std::uint32_t> kinds;
    for (const auto& [key, entry] : graph_.psiPids.entries)
      kinds[entry.pid] = entry.kind;
    return kinds;
  }

  static void AddEvent(tuning::ChannelNode& node, std::uint32_t start, std::uint16_t pid,
                       std::uint8_t version) {
    GuideEvent e;
    e.start = start;
    e.sourcePid = pid;
    e.version = version;
    node.events.Insert(GuideEventKey(start), e);
  }
};

TEST_F(MgtTest, NewVersionRebuildsPidListAndCountsEits) {
  tuning::ChannelNode& here = AddChannel(7, 1, 7, 1);
  tuning::ChannelNode& elsewhere = AddChannel(9, 1, 9, 1);
  ASSERT_TRUE(Dispatch(Pat(1, 0, {{1, 0x30}}), Tag(7, 0)));
  ASSERT_EQ(Listed().count(0x30), 1u);

  ASSERT_TRUE(Dispatch(Mgt(1, {{0x0000, 0x1FFB, 1},
                               {0x0004, 0x1E00, 2},
                               {0x0100, 0x1D00, 3},
                               {0x0101, 0x1D01, 3},
                               {0x0200, 0x1E01, 3},
                               {0x0301, 0x1FFB, 1}}),
                       Tag(7, 0x1FFB)));
  EXPECT_EQ(Listed(),
            (std::map<std::uint32_t, std::uint32_t>{
                {0x1D00, kPidEit}, {0x1D01, kPidEit}, {0x1E00, kPidEtt}, {0x1E01, kPidEtt}}));
  EXPECT_EQ(graph_.eitCount, 2u);
  EXPECT_EQ(graph_.mgtVersion, 1);
  EXPECT_EQ(here.record.guideTableCount, 2u);
  EXPECT_EQ(elsewhere.record.guideTableCount, 0u);
}

TEST_F(MgtTest, SameVersionChangesNothingButIsStored) {
  const Bytes mgt = Mgt(5, {{0x0100, 0x1D00, 1}, {0x0200, 0x1E00, 1}});
  ASSERT_TRUE(Dispatch(mgt, Tag(7, 0x1FFB)));
  ASSERT_TRUE(Dispatch(Pat(1, 0, {{1, 0x30}}), Tag(7, 0)));
  ASSERT_TRUE(Dispatch(Mgt(5, {{0x0100, 0x1D07, 1}, {0x0101, 0x1D08, 1}}), Tag(7, 0x1FFB)));
  EXPECT_EQ(Listed().count(0x30), 1u);
  EXPECT_EQ(Listed().count(0x1D07), 0u);
  EXPECT_EQ(graph_.mgtCopy, mgt);
  EXPECT_EQ(store_.size(), 2u);  // MGT version 5 once, PAT

  graph_.ResetForTune();  // an emptied copy takes the next MGT as new
  ASSERT_TRUE(Dispatch(Mgt(5, {{0x0100, 0x1D07, 1}, {0x0101, 0x1D08, 1}}), Tag(7, 0x1FFB)));
  EXPECT_EQ(Listed().count(0x1D07), 1u);
}

TEST_F(MgtTest, NewVersionPurgesEventsOfChangedEitVersions) {
  tuning::ChannelNode& here = AddChannel(7, 1, 7, 1);
  tuning::ChannelNode& elsewhere = AddChannel(9, 1, 9, 1);
  AddEvent(here, 1000, 0x1D00, 3);  // EIT-0, version unchanged: stays
  AddEvent(here, 2000, 0x1D01, 3);  // EIT-1 moves to version 4: purged
  AddEvent(here, 3000, 0x1D01, 4);  // already version 4: stays
  AddEvent(here, 4000, 0x1D09, 1);  // PID not in the MGT: stays
  AddEvent(elsewhere, 2000, 0x1D01, 3);

  ASSERT_TRUE(Dispatch(Mgt(2, {{0x0100, 0x1D00, 3}, {0x0101, 0x1D01, 4}}), Tag(7, 0x1FFB)));
  std::vector<std::uint32_t> starts;
  for (const auto& [key, e] : here.events)
    starts.push_back(e.start);
  EXPECT_EQ(starts, (std::vector<std::uint32_t>{1000, 3000, 4000}));
  EXPECT_EQ(elsewhere.events.size(), 1u);
}

TEST_F(MgtTest, ChecksDropMalformedTables) {
  EXPECT_FALSE(Dispatch(Mgt(1, {{0x0000, 0x1FFB, 1}}), Tag(7, 0x1FFB)));  // tables_defined 1
  Bytes body{0};
  Put16(body, 2);
  for (unsigned i = 0; i < 2; ++i) {
    Put16(body, 0x0100 + i);
    Put16(body, 0xE000 | (0x1D00 + i));
    body.push_back(0xE1);
    Put32(body, 0);
    Put16(body, 0xF000);
  }
  Put16(body, 0xF000);
  EXPECT_FALSE(Dispatch(LongSection(0xC7, 0, 1, body, 1, 1), Tag(7, 0x1FFB)));  // section 1
  EXPECT_FALSE(Dispatch(LongSection(0xC7, 0, 1, body, 0, 0, false), Tag(7, 0x1FFB)));
  Bytes longDescriptors = body;
  longDescriptors[3 + 9] = 0xF0;
  longDescriptors[3 + 10] = 0x40;  // table_type_descriptors_length 64 runs past the CRC
  EXPECT_FALSE(Dispatch(LongSection(0xC7, 0, 1, longDescriptors), Tag(7, 0x1FFB)));
  EXPECT_EQ(store_.size(), 0u);
  EXPECT_TRUE(graph_.mgtCopy.empty());
  EXPECT_TRUE(Dispatch(LongSection(0xC7, 0, 1, body), Tag(7, 0x1FFB)));
}

}  // namespace
}  // namespace tables::test
