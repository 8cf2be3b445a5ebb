#include "common/KeyedList.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

using common::KeyedList;
using common::ListKey;

std::vector<int> Walk(KeyedList<int>& list) {
  std::vector<int> out;
  for (int* v = list.First(); v; v = list.Next())
    out.push_back(*v);
  return out;
}

TEST(KeyedList, OrdersBySignedHighThenUnsignedLowAndEqualKeysGoLast) {
  KeyedList<int> list;
  list.Insert({5, 0}, 1);
  list.Insert({0xFFFFFFFFu, 0}, 2);  // low word is unsigned: sorts after 5
  list.Insert({0, -1}, 3);           // high word is signed: sorts first
  list.Insert({5, 0}, 4);            // equal key goes after the existing one
  list.Insert({0, 1}, 5);
  EXPECT_EQ(Walk(list), (std::vector<int>{3, 1, 4, 2, 5}));
  ASSERT_NE(list.Find({5, 0}), nullptr);
  EXPECT_EQ(*list.Find({5, 0}), 1);
  EXPECT_EQ(list.Find({6, 0}), nullptr);
}

TEST(KeyedList, CurrentEntryMayBeRemovedDuringAWalk) {
  KeyedList<int> list;
  for (int i = 0; i < 6; ++i)
    list.Insert({static_cast<std::uint32_t>(i), 0}, i);
  std::vector<int> seen;
  for (int* v = list.First(); v; v = list.Next()) {
    seen.push_back(*v);
    if (*v % 2 == 0) list.Remove(v);
  }
  EXPECT_EQ(seen, (std::vector<int>{0, 1, 2, 3, 4, 5}));
  EXPECT_EQ(Walk(list), (std::vector<int>{1, 3, 5}));
}

TEST(KeyedList, RemovingTheEntryUnderTheCursorMovesTheCursorOn) {
  KeyedList<int> list;
  for (int i = 0; i < 4; ++i)
    list.Insert({static_cast<std::uint32_t>(i), 0}, i);
  int* first = list.First();
  ASSERT_EQ(*first, 0);
  list.RemoveKey({1, 0});  // the entry the cursor stands on
  int* next = list.Next();
  ASSERT_NE(next, nullptr);
  EXPECT_EQ(*next, 2);
}

TEST(KeyedList, EntriesKeepTheirAddressAcrossInsertions) {
  KeyedList<int> list;
  int* kept = &list.Insert({100, 0}, 7);
  for (std::uint32_t i = 0; i < 1000; ++i)
    list.Insert({i, 0}, 0);
  EXPECT_EQ(*kept, 7);
  EXPECT_EQ(list.RemoveIf([](ListKey k, int) { return k.low < 50; }), 50u);
  EXPECT_EQ(list.size(), 951u);
}

}  // namespace
