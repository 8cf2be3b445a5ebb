#include "tables/collect/ChannelCollection.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "common/Utf16.h"
#include "tables/sections/Dispatch.h"
#include "tests/tables/SectionBuilder.h"

namespace tables {
namespace {

using tables::test::Bytes;

Bytes Sdt(unsigned tsid, std::initializer_list<std::pair<unsigned, std::string>> services) {
  Bytes body;
  tables::test::Put16(body, 0x2001);  // original_network_id
  body.push_back(0xFF);
  for (const auto& [id, name] : services) {
    Bytes descriptor{0x48, 0, 0x01, 3, 'P', 'r', 'v', static_cast<std::uint8_t>(name.size())};
    descriptor.insert(descriptor.end(), name.begin(), name.end());
    descriptor[1] = static_cast<std::uint8_t>(descriptor.size() - 2);
    tables::test::Put16(body, id);
    body.push_back(0xFC);
    tables::test::Put16(body, 0x8000 | static_cast<unsigned>(descriptor.size()));
    tables::test::Append(body, descriptor);
  }
  return tables::test::LongSection(0x42, tsid, 0, body);
}

class ChannelCollectionTest : public testing::Test {
 protected:
  tables::SectionTag Tag(std::uint16_t pid) const {
    tables::SectionTag t;
    t.tuningSpace = map_;
    t.physical = physical_;
    t.modulation = modulation_;
    t.pid = pid;
    return t;
  }
  void Receive(const Bytes& section, std::uint16_t pid) {
    ASSERT_TRUE(tables::DispatchSection(ctx_, section, Tag(pid)));
  }
  std::vector<std::string> Tree() {
    std::vector<std::string> out;
    auto lock = channels_.Acquire();
    for (tuning::ChannelNode* n = channels_.First(); n; n = channels_.Next()) {
      out.push_back(ChannelTreeText(n->record));
    }
    return out;
  }

  std::uint8_t map_ = 0;
  std::uint8_t physical_ = 31;
  std::uint16_t modulation_ = 0x01;
  tables::SectionStore store_;
  tuning::ChannelList channels_;
  tables::GraphTables graph_;
  tables::TableContext ctx_{store_, channels_, graph_};
};

TEST_F(ChannelCollectionTest, VctChannelsAreMadeOnceEvenWhenThePatListsThemToo) {
  graph_.scanRunning = physical_;
  Receive(tables::test::Pat(0x0801, 0, {{1, 0x30}, {2, 0x40}}), 0);
  Receive(tables::test::Pmt(1, 0, 0x31, {{0x02, 0x31}, {0x81, 0x34}}), 0x30);
  Receive(tables::test::Pmt(2, 0, 0x41, {{0x02, 0x41}, {0x81, 0x44}}), 0x40);
  Receive(
      tables::test::Vct(0xC8, 0x0801, 0, {{u"KCVN", 5, 1, 4, 1, 1}, {u"KCVN-SD", 5, 2, 4, 2, 2}}),
      0x1FFB);
  const CollectionResult r = CollectChannels(ctx_, Tag(0));
  EXPECT_EQ(r.vctSections, 1);
  EXPECT_EQ(r.createdFromPat, 0);
  EXPECT_EQ(Tree(), (std::vector<std::string>{"00005.1 (A31) KCVN", "00005.2 (A31) KCVN-SD"}));
}

TEST_F(ChannelCollectionTest, ClearQamProgrammesWithVideoBecomePhysicalDotProgramme) {
  map_ = 1;
  physical_ = 80;
  modulation_ = 0x02;
  graph_.scanRunning = physical_;
  Receive(tables::test::Pat(0x0050, 0, {{0, 0x10}, {3, 0x100}, {4, 0x200}, {5, 0x300}}), 0);
  Receive(tables::test::Pmt(3, 0, 0x101, {{0x02, 0x101}, {0x81, 0x102}}), 0x100);
  Receive(tables::test::Pmt(4, 0, 0x201, {{0x81, 0x202}}), 0x200);  // audio only
  Receive(tables::test::Pmt(5, 0, 0x301, {{0x80, 0x301}, {0x81, 0x302}}), 0x300);
  const CollectionResult r = CollectChannels(ctx_, Tag(0));
  EXPECT_EQ(r.createdFromPat, 2);
  EXPECT_EQ(Tree(), (std::vector<std::string>{"00080.3 (C80) 80.3", "00080.5 (C80) 80.5"}));
  tuning::ChannelNode* five = channels_.FindByTransport(0x0050, 5);
  ASSERT_NE(five, nullptr);
  EXPECT_EQ(five->record.videoPid, 0x301);
  EXPECT_EQ(five->record.videoStreamType, 0x80);
  EXPECT_EQ(five->record.fromCableVct, 1);
  EXPECT_EQ(five->record.locator.channelMap, 1);
  EXPECT_EQ(five->record.locator.modulation, 0x02);

  // Collected again: nothing new.
  EXPECT_EQ(CollectChannels(ctx_, Tag(0)).createdFromPat, 0);
}

// Clear QAM multiplexes often all carry transport stream id 0.
TEST_F(ChannelCollectionTest, MultiplexesSharingATransportStreamIdKeepTheirOwnProgrammes) {
  map_ = 1;
  modulation_ = 0x02;
  for (std::uint8_t physical : {80, 81}) {
    physical_ = physical;
    graph_.scanRunning = physical_;
    Receive(tables::test::Pat(0, 0, {{3, 0x100}}), 0);
    Receive(tables::test::Pmt(3, 0, 0x101, {{0x02, 0x101}, {0x81, 0x102}}), 0x100);
    EXPECT_EQ(CollectChannels(ctx_, Tag(0)).createdFromPat, 1) << int(physical);
  }
  EXPECT_EQ(Tree(), (std::vector<std::string>{"00080.3 (C80) 80.3", "00081.3 (C81) 81.3"}));
}

TEST_F(ChannelCollectionTest, WithAnSdtProgrammesGetOnePartNumbersAndServiceNames) {
  map_ = 4;
  physical_ = 21;
  modulation_ = 0x00;
  graph_.scanRunning = physical_;
  Receive(tables::test::Pat(0x1001, 0, {{0x1101, 0x100}}), 0);
  Receive(tables::test::Pmt(0x1101, 0, 0x101, {{0x02, 0x101}, {0x03, 0x102}}), 0x100);
  Receive(Sdt(0x1001, {{0x1101, "Corvane One Television HD"}}), 0x11);
  const CollectionResult r = CollectChannels(ctx_, Tag(0));
  EXPECT_TRUE(r.sdtFound);
  ASSERT_EQ(r.createdFromPat, 1);
  tuning::ChannelNode* node = channels_.FindByTransport(0x1001, 0x1101);
  ASSERT_NE(node, nullptr);
  EXPECT_EQ(node->record.locator.major(), 0x1101);
  EXPECT_EQ(node->record.locator.minor(), 0);
  EXPECT_EQ(common::FieldView(node->record.name), u"Corvane One Tel");  // cut to 15, kept
  EXPECT_EQ(ChannelTreeText(node->record), "04353 (C21) Corvane One Tel");
}

TEST_F(ChannelCollectionTest, NothingIsCreatedOutsideAScanOrFromOtherChannels) {
  Receive(tables::test::Pat(0x0801, 0, {{1, 0x30}}), 0);
  Receive(tables::test::Pmt(1, 0, 0x31, {{0x02, 0x31}}), 0x30);
  EXPECT_EQ(CollectChannels(ctx_, Tag(0)).createdFromPat, 0);
  graph_.scanRunning = physical_;
  tables::SectionTag elsewhere = Tag(0);
  elsewhere.physical = 32;
  EXPECT_EQ(CollectChannels(ctx_, elsewhere).createdFromPat, 0);
  EXPECT_TRUE(channels_.empty());
}

}  // namespace
}  // namespace tables
