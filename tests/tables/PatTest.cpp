#include "tables/poll/PollSections.h"
#include "tests/tables/TablesFixture.h"

namespace tables::test {
namespace {

using PatTest = TablesFixture;

std::vector<std::uint32_t> ListedPids(PsiPidList& list) {
  std::vector<std::uint32_t> pids;
  for (const auto& [key, entry] : list.entries)
    pids.push_back(entry.pid);
  return pids;
}

TEST_F(PatTest, AddsEachPidOnceNetworkPidIncluded) {
  ASSERT_TRUE(Dispatch(Pat(0x0801, 0, {{0, 0x10}, {1, 0x30}, {2, 0x40}}), Tag(7, 0)));
  ASSERT_TRUE(Dispatch(Pat(0x0801, 1, {{3, 0x30}, {4, 0x50}}), Tag(7, 0)));
  EXPECT_EQ(ListedPids(graph_.psiPids), (std::vector<std::uint32_t>{0x10, 0x30, 0x40, 0x50}));
  for (const auto& [key, entry] : graph_.psiPids.entries)
    EXPECT_EQ(entry.kind, kPidFromPat);
}

TEST_F(PatTest, ChecksDropMalformedTables) {
  // section_length 5: too short to hold a header and a CRC.
  const Bytes tooShort{0x00, 0xB0, 0x05, 0x08, 0x01, 0xC1, 0x00, 0x00};
  EXPECT_FALSE(Dispatch(tooShort, Tag(7, 0)));

  // A body that is not a whole number of entries.
  EXPECT_FALSE(Dispatch(LongSection(0x00, 1, 0, {0x00, 0x01, 0xE0}), Tag(7, 0)));

  // last_section_number below section_number.
  EXPECT_FALSE(Dispatch(LongSection(0x00, 1, 0, {0x00, 0x01, 0xE0, 0x30}, 2, 1), Tag(7, 0)));

  // No section_syntax_indicator.
  Bytes noSyntax = Pat(1, 0, {{1, 0x30}});
  noSyntax[1] &= 0x7F;
  EXPECT_FALSE(Dispatch(noSyntax, Tag(7, 0)));

  // section_length above 1021.
  Bytes body;
  for (unsigned i = 0; i < 254; ++i) {
    Put16(body, i + 1);
    Put16(body, 0xE000 | (0x100 + i));
  }
  EXPECT_FALSE(Dispatch(LongSection(0x00, 1, 0, body), Tag(7, 0)));

  EXPECT_EQ(store_.size(), 0u);
  EXPECT_TRUE(graph_.psiPids.entries.empty());

  // An empty programme loop is the smallest valid PAT.
  EXPECT_TRUE(Dispatch(Pat(1, 0, {}), Tag(7, 0)));
}

TEST_F(PatTest, PidArrayHoldsFixedPidsThenAtMost192Listed) {
  {
    std::lock_guard<std::mutex> lock(graph_.psiPids.lock);
    for (std::uint32_t pid = 0x100; pid < 0x100 + 250; ++pid)
      graph_.psiPids.AddIfMissing(pid, 0);
  }
  std::int32_t pids[kPidArraySize];
  ASSERT_EQ(BuildPsiPidArray(graph_.psiPids, pids), kPidArraySize);
  for (std::size_t i = 0; i < kFixedPsiPidCount; ++i)
    EXPECT_EQ(pids[i], kFixedPsiPids[i]);
  EXPECT_EQ(pids[8], 0x100);
  EXPECT_EQ(pids[199], 0x100 + 191);
}

}  // namespace
}  // namespace tables::test
