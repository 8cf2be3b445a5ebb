// Tables decoded once into plain structs, and the rules a received section
// passes before it is dispatched.
#include <gtest/gtest.h>

#include "tables/mpeg/PatTable.h"
#include "tables/mpeg/PmtTable.h"
#include "tables/psip/MgtTable.h"
#include "tables/psip/VctTable.h"
#include "tables/sections/SectionRules.h"
#include "tests/tables/SectionBuilder.h"

namespace tables::test {
namespace {

TEST(TableDecodeTest, PatKeepsTheNetworkEntryAndNamesTheTransportStream) {
  PatTable pat;
  ASSERT_TRUE(DecodePat(Pat(0x0701, 3, {{0, 0x0010}, {1, 0x0030}}), pat));
  EXPECT_EQ(pat.TransportStreamId(), 0x0701);
  EXPECT_EQ(pat.header.version, 3);
  ASSERT_EQ(pat.programs.size(), 2u);
  EXPECT_EQ(pat.programs[0].programNumber, 0);
  EXPECT_EQ(pat.programs[0].pid, 0x0010);
  EXPECT_EQ(pat.programs[1].pid, 0x0030);
}

TEST(TableDecodeTest, PmtStreamWhoseDescriptorLoopRunsPastTheCrcIsDropped) {
  Bytes section = Pmt(5, 0, 0x51, {{0x02, 0x51, {0x0A, 2, 'e', 'n'}}, {0x81, 0x54}});
  // The second stream's ES_info_length (the two bytes before the CRC) now
  // claims more bytes than the section holds.
  section[section.size() - 6] = 0xF0;
  section[section.size() - 5] = 0x20;
  tables::PmtTable pmt;
  ASSERT_TRUE(DecodePmt(section, pmt));
  EXPECT_EQ(pmt.ProgramNumber(), 5);
  EXPECT_EQ(pmt.pcrPid, 0x51);
  ASSERT_EQ(pmt.streams.size(), 1u);
  EXPECT_EQ(pmt.streams[0].esInfo.size(), 4u);
}

TEST(TableDecodeTest, MgtEntriesAreReadOnceAndAShortLoopFails) {
  const Bytes section = Mgt(2, {{0x0000, 0x1FFB, 1}, {0x0100, 0x1D00, 7}, {0x0200, 0x1E00, 9}});
  tables::MgtTable mgt;
  ASSERT_TRUE(DecodeMgt(section, mgt));
  ASSERT_EQ(mgt.tables.size(), 3u);
  EXPECT_TRUE(IsEitTableType(mgt.tables[1].tableType));
  EXPECT_EQ(mgt.tables[1].pid, 0x1D00);
  EXPECT_EQ(mgt.tables[1].version, 7);
  EXPECT_TRUE(IsEttTableType(mgt.tables[2].tableType));
  // tables_defined one more than the section carries.
  Bytes longer = section;
  longer[10] = 4;
  EXPECT_FALSE(DecodeMgt(longer, mgt));
}

TEST(TableDecodeTest, VctChannelFieldsAndCableFlags) {
  tables::VctTable vct;
  ASSERT_TRUE(
      DecodeVct(Vct(0xC9, 0x0801, 4, {{u"KIDS", 78, 2, 0x10, 2, 7, 0, 0x0801, 2, true}}), vct));
  EXPECT_EQ(vct.header.tableId, 0xC9);
  ASSERT_EQ(vct.channels.size(), 1u);
  const VctChannel& c = vct.channels[0];
  EXPECT_EQ(std::u16string(c.shortName, 4), u"KIDS");
  EXPECT_EQ(c.major, 78);
  EXPECT_EQ(c.minor, 2);
  EXPECT_EQ(c.modulationMode, 0x10);
  EXPECT_EQ(c.programNumber, 2);
  EXPECT_EQ(c.sourceId, 7);
  EXPECT_TRUE(c.hidden);
  EXPECT_EQ(c.etmLocation, 1);
}

TEST(SectionRulesTest, PsipBaseTablesOnlyOnTheBasePidAndOnlyWithTheirCrc) {
  const Bytes mgt = Mgt(1, {{0x0000, 0x1FFB, 1}, {0x0100, 0x1D00, 1}});
  EXPECT_TRUE(AcceptReceivedSection(mgt, 0x1FFB));
  EXPECT_FALSE(AcceptReceivedSection(mgt, 0x1D00));
  Bytes damaged = mgt;
  damaged[12] ^= 0x01;
  EXPECT_FALSE(AcceptReceivedSection(damaged, 0x1FFB));
  EXPECT_TRUE(AcceptReceivedSection(Pmt(1, 0, 0x31, {{0x02, 0x31}}), 0x0030));
  EXPECT_FALSE(AcceptReceivedSection({}, 0x0030));
}

}  // namespace
}  // namespace tables::test
