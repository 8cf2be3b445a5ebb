#include "tables/grid/GridSnapshot.h"

#include "tests/guide/GuideFixture.h"

namespace tables::grid {
namespace {

class GridSnapshotTest : public guidetest::GuideFixture {};

TEST_F(GridSnapshotTest, FillersCoverTheGapsBeforeBetweenAndAfterProgrammes) {
  tuning::ChannelNode& a = AddChannel(7);
  AddEvent(a, six_ + 1800, 1800, u"A");
  AddEvent(a, six_ + 5400, 1800, u"B");
  AddEvent(AddChannel(9), six_, 4 * 3600);  // sets the last time
  const GridSnapshot s = TakeGridSnapshot(channels_, six_);
  ASSERT_EQ(s.lastTime, six_ + 4 * 3600);
  const std::vector<GridEvent>& row = s.rows[0].events;
  ASSERT_EQ(row.size(), 5u);
  const std::int64_t bounds[] = {six_, six_ + 1800, six_ + 3600, six_ + 5400, six_ + 7200};
  for (std::size_t i = 0; i < row.size(); ++i) {
    EXPECT_EQ(row[i].start, bounds[i]);
    EXPECT_EQ(row[i].End(), i + 1 < row.size() ? bounds[i + 1] : s.lastTime);
    EXPECT_EQ(row[i].filler, i % 2 == 0) << i;
  }
  EXPECT_EQ(row[0].title, u"no data");
}

TEST_F(GridSnapshotTest, AChannelWithoutEventsHasNoRow) {
  AddChannel(7);
  AddEvent(AddChannel(9), six_, 3600);
  const GridSnapshot s = TakeGridSnapshot(channels_, six_);
  ASSERT_EQ(s.rows.size(), 1u);
  EXPECT_EQ(s.rows[0].locator.physical(), 9);
}

TEST_F(GridSnapshotTest, AChannelWithEveryEventOutsideTheRangeIsOneFiller) {
  AddEvent(AddChannel(7), six_ - 7200, 3600);
  AddEvent(AddChannel(9), six_, 3 * 3600);
  const GridSnapshot s = TakeGridSnapshot(channels_, six_);
  ASSERT_EQ(s.rows[0].events.size(), 1u);
  const GridEvent& filler = s.rows[0].events[0];
  EXPECT_TRUE(filler.filler);
  EXPECT_EQ(filler.start, six_);
  EXPECT_EQ(filler.End(), s.lastTime);
}

TEST_F(GridSnapshotTest, AGuideOfPastEventsStillSpansTheFirstWindow) {
  AddEvent(AddChannel(7), six_ - 7200, 3600);
  const GridSnapshot s = TakeGridSnapshot(channels_, six_);
  EXPECT_EQ(s.lastTime, six_ + kGridSpan);
  EXPECT_EQ(s.rows[0].events[0].duration, kGridSpan);
}

}  // namespace
}  // namespace tables::grid
