#include "tuning/ChannelList.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace tuning {
namespace {

ChannelRecord Channel(std::uint8_t physical, std::uint16_t major, std::uint16_t minor) {
  ChannelRecord r;
  r.locator = ChannelLocator::Make(physical, minor, major, 0, 1);
  r.enabled = 1;
  return r;
}

std::vector<std::string> Order(ChannelList& list) {
  std::vector<std::string> out;
  auto lock = list.Acquire();
  for (ChannelNode* n = list.First(); n; n = list.Next()) {
    out.push_back(std::to_string(n->record.locator.major()) + "." +
                  std::to_string(n->record.locator.minor()));
  }
  return out;
}

TEST(ChannelList, SortsByMajorThenPhysicalAndMinor) {
  ChannelList list;
  list.InsertSorted(Channel(13, 13, 1));
  ChannelRecord onePart = Channel(30, 2048, 0);  // a one-part number
  list.InsertSorted(onePart);
  list.InsertSorted(Channel(7, 7, 2));
  list.InsertSorted(Channel(7, 7, 1));
  EXPECT_EQ(Order(list), (std::vector<std::string>{"7.1", "7.2", "13.1", "2048.0"}));
}

TEST(ChannelList, FindsByKeysAndTransport) {
  ChannelList list;
  ChannelRecord a = Channel(7, 7, 1);
  a.transportStreamId = 0x0701;
  a.programNumber = 3;
  list.InsertSorted(a);
  list.InsertSorted(Channel(7, 7, 2));
  const auto& loc = a.locator;
  ASSERT_NE(list.FindByKeys(loc.key1, loc.key2), nullptr);
  EXPECT_EQ(list.FindByKeys(loc.key1, loc.key2)->record.locator.minor(), 1);
  EXPECT_EQ(list.FindByKeys(loc.key1, 8), nullptr);
  ASSERT_NE(list.FindByTransport(0x0701, 3), nullptr);
  EXPECT_EQ(list.FindByTransport(0x0701, 4), nullptr);
}

TEST(ChannelList, PlaybackComesFromTheChannelOrFromTheAtscDefaults) {
  ChannelList list;
  ChannelRecord r = Channel(7, 7, 1);
  r.videoPid = 0x100;
  r.audioPid = 0x101;
  r.pcrPid = 0x1FF;
  r.videoStreamType = 2;
  r.audioStreamType = 0x81;
  list.InsertSorted(r);
  const PlaybackInfo known = list.LookupPlayback(r.locator.key1, r.locator.key2);
  EXPECT_EQ(known.videoPid, 0x100);
  EXPECT_EQ(known.pcrPid, 0x1FF);
  EXPECT_EQ(known.audioStreamType, 0x81);

  const PlaybackInfo unknown = list.LookupPlayback(ChannelLocator::MakeKey1(9, 3), 9);
  EXPECT_EQ(unknown.videoPid, 0x51);
  EXPECT_EQ(unknown.audioPid, 0x54);
  EXPECT_EQ(unknown.pcrPid, 0x51);
  EXPECT_EQ(unknown.videoStreamType, 0);
}

TEST(ChannelList, WalkMayRemoveTheCurrentChannelAndClearEmptiesTheList) {
  ChannelList list;
  for (std::uint16_t minor = 1; minor <= 4; ++minor)
    list.InsertSorted(Channel(7, 7, minor));
  {
    auto lock = list.Acquire();
    for (ChannelNode* n = list.First(); n; n = list.Next()) {
      if (n->record.locator.minor() % 2 == 0) list.Remove(n);
    }
  }
  EXPECT_EQ(Order(list), (std::vector<std::string>{"7.1", "7.3"}));
  list.Clear();
  EXPECT_TRUE(list.empty());
}

}  // namespace
}  // namespace tuning
