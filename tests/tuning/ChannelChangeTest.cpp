#include "tuning/ChannelChange.h"

#include <gtest/gtest.h>

#include <string>

namespace tuning {
namespace {

ChannelRecord Channel(std::uint8_t physical, std::uint16_t major, std::uint16_t minor,
                      bool enabled = true) {
  ChannelRecord r;
  r.locator = ChannelLocator::Make(physical, minor, major, 0, 1);
  r.enabled = enabled ? 1 : 0;
  return r;
}

std::string Dotted(const ChannelLocator& l) {
  return std::to_string(l.major()) + "." + std::to_string(l.minor());
}

// 7.1, 9.1, 11.1 (disabled), 13.1
struct Band {
  ChannelList list;
  Band() {
    list.InsertSorted(Channel(7, 7, 1));
    list.InsertSorted(Channel(9, 9, 1));
    list.InsertSorted(Channel(11, 11, 1, false));
    list.InsertSorted(Channel(13, 13, 1));
  }
};

TEST(NextChannel, StepsOverDisabledChannelsAndWraps) {
  Band b;
  EXPECT_EQ(Dotted(NextChannel(b.list, Channel(9, 9, 1).locator, +1)), "13.1");
  EXPECT_EQ(Dotted(NextChannel(b.list, Channel(13, 13, 1).locator, +1)), "7.1");
  EXPECT_EQ(Dotted(NextChannel(b.list, Channel(7, 7, 1).locator, -1)), "13.1");
}

TEST(NextChannel, ADisabledOrUnknownCurrentStepsFromItsPlace) {
  Band b;
  EXPECT_EQ(Dotted(NextChannel(b.list, Channel(11, 11, 1).locator, +1)), "13.1");
  EXPECT_EQ(Dotted(NextChannel(b.list, Channel(11, 11, 1).locator, -1)), "9.1");
  EXPECT_EQ(Dotted(NextChannel(b.list, Channel(10, 10, 3).locator, +1)), "13.1");
  EXPECT_EQ(Dotted(NextChannel(b.list, Channel(50, 50, 1).locator, +1)), "7.1");
}

TEST(NumberEntry, KeepsTenCharactersOfDigitsAndDots) {
  NumberEntry entry;
  for (char c : std::string("31.5.2x0123456"))
    entry.Append(c);
  EXPECT_EQ(entry.Text(), "31.5.20123");
}

TEST(NumberEntry, ResolvesMajorMajorMinorAndPhysical) {
  Band b;
  b.list.InsertSorted(Channel(7, 7, 2));
  std::string shown;
  NumberEntry entry;
  entry.Append('7');
  EXPECT_EQ(Dotted(*entry.Resolve(b.list, 0, 1, &shown)), "7.1");
  entry.Clear();
  for (char c : std::string("7.2"))
    entry.Append(c);
  EXPECT_EQ(Dotted(*entry.Resolve(b.list, 0, 1, &shown)), "7.2");
  EXPECT_EQ(shown, "7.2");

  ChannelList empty;
  entry.Clear();
  for (char c : std::string("31.5.2"))
    entry.Append(c);
  const auto l = entry.Resolve(empty, 4, 8, &shown);
  ASSERT_TRUE(l);
  EXPECT_EQ(l->physical(), 31);
  EXPECT_EQ(Dotted(*l), "5.2");
  EXPECT_EQ(l->channelMap, 4);
  EXPECT_EQ(l->modulation, 8);
  EXPECT_EQ(shown, "31.5.2");
}

TEST(NumberEntry, TunesNothingForUnknownNumbersOrThreeDots) {
  Band b;
  for (const char* text : {"8", "7.9", "1.2.3.4", "."}) {
    NumberEntry entry;
    for (const char* c = text; *c; ++c)
      entry.Append(*c);
    EXPECT_FALSE(entry.Resolve(b.list, 0, 1, nullptr)) << text;
  }
}

}  // namespace
}  // namespace tuning
