#include "tables/grid/GuideGrid.h"

#include "tests/guide/GuideFixture.h"

namespace tables::grid {
namespace {

constexpr int kPaneWidth = 600;  // 300 pixels per hour
constexpr int kPaneHeight = 250;

class GuideGridTest : public guidetest::GuideFixture {
 protected:
  GuideGrid Open(const tuning::ChannelLocator& current = {}) {
    GuideGrid grid(TakeGridSnapshot(channels_, six_), current);
    Refresh(grid);
    return grid;
  }
  static void Refresh(GuideGrid& grid) { grid.Refresh(kPaneWidth, kPaneHeight, nullptr); }
};

TEST_F(GuideGridTest, OpensOnTheRowOfTheChannelTuned) {
  for (std::uint8_t p = 7; p < 10; ++p)
    AddEvent(AddChannel(p), six_, 7200);
  const GuideGrid grid =
      Open(channels_.FindByKeys(tuning::ChannelLocator::MakeKey1(8, 1), 8)->record.locator);
  EXPECT_EQ(grid.SelectedRow(), 1);
  EXPECT_EQ(grid.FirstRow(), 1);
  EXPECT_EQ(grid.SelectedEvent()->start, six_);
}

TEST_F(GuideGridTest, NextProgrammeAtTheRightEdgeScrollsHalfAnHour) {
  tuning::ChannelNode& c = AddChannel(7);
  AddEvent(c, six_, 3600);
  AddEvent(c, six_ + 3600, 3 * 3600);  // runs past the window
  GuideGrid grid = Open();
  grid.NextProgramme();
  Refresh(grid);
  EXPECT_EQ(grid.CursorTime(), six_ + 3600);
  EXPECT_EQ(grid.GridStart(), six_);
  grid.NextProgramme();
  Refresh(grid);
  EXPECT_EQ(grid.GridStart(), six_ + kHalfHour);
  EXPECT_EQ(grid.CursorTime(), six_ + 3600);
}

TEST_F(GuideGridTest, OneDayLaterNearTheEndOfTheDataStopsAtTheLastTime) {
  Fill(AddChannel(7), six_, six_ + 30 * 3600, 60);
  GuideGrid grid = Open();
  grid.DayLater();
  EXPECT_EQ(grid.GridStart(), six_ + kDay);
  grid.DayLater();
  EXPECT_EQ(grid.GridEnd(), grid.LastTime());
  EXPECT_EQ(grid.GridStart(), six_ + 28 * 3600);
  EXPECT_LT(grid.CursorTime(), grid.LastTime());
}

TEST_F(GuideGridTest, PageDownWithThreeRowsSelectsTheLastAndKeepsTheFirst) {
  for (std::uint8_t p = 7; p < 10; ++p)
    AddEvent(AddChannel(p), six_, 7200);
  GuideGrid grid = Open();
  grid.PageDown();
  EXPECT_EQ(grid.SelectedRow(), 2);
  EXPECT_EQ(grid.FirstRow(), 0);
}

TEST_F(GuideGridTest, NextRowScrollsTheWindowOnlyWhenTheRowLeavesIt) {
  for (std::uint8_t p = 1; p <= 7; ++p)
    AddEvent(AddChannel(p), six_, 7200);
  GuideGrid grid = Open();
  for (int i = 0; i < 4; ++i)
    grid.NextRow();
  EXPECT_EQ(grid.FirstRow(), 0);
  grid.NextRow();
  EXPECT_EQ(grid.SelectedRow(), 5);
  EXPECT_EQ(grid.FirstRow(), 1);
}

TEST_F(GuideGridTest, ProgrammeThatStartedBeforeTheGridBeginsLeftOfThePane) {
  AddEvent(AddChannel(7), six_ - 3600, 7200);
  const GuideGrid grid = Open();
  ASSERT_FALSE(grid.Boxes().empty());
  const GridBox& box = grid.Boxes()[0];
  EXPECT_EQ(box.x, -kPaneWidth / 2);
  EXPECT_EQ(box.x + box.width, kPaneWidth / 2);
}

TEST_F(GuideGridTest, ProgrammeRunningPastTheGridReachesBeyondThePane) {
  tuning::ChannelNode& c = AddChannel(7);
  AddEvent(c, six_, 5400);
  AddEvent(c, six_ + 5400, 3600);
  const GuideGrid grid = Open();
  ASSERT_EQ(grid.Boxes().size(), 2u);
  EXPECT_EQ(grid.Boxes()[1].x, kPaneWidth * 3 / 4);
  EXPECT_EQ(grid.Boxes()[1].x + grid.Boxes()[1].width, kPaneWidth * 5 / 4);
}

TEST_F(GuideGridTest, WithEveryCellSlotUsedFurtherProgrammesGetNoBox) {
  for (std::uint8_t p = 1; p <= 5; ++p)
    Fill(AddChannel(p), six_, six_ + 7200, 2);  // 60 a row, 300 visible
  GuideGrid grid = Open();
  EXPECT_EQ(grid.UsedSlots(), kCellSlots);
  EXPECT_EQ(grid.Boxes().size(), static_cast<std::size_t>(kCellSlots));
}

TEST_F(GuideGridTest, APressSelectsTheBoxUnderThePoint) {
  for (std::uint8_t p = 7; p < 9; ++p)
    Fill(AddChannel(p), six_, six_ + 7200, 30);
  GuideGrid grid = Open();
  const GridBox* box = grid.BoxAt(kPaneWidth * 3 / 8, kPaneHeight / 5 + 1);
  ASSERT_NE(box, nullptr);
  grid.Select(*box);
  Refresh(grid);
  EXPECT_EQ(grid.SelectedRow(), 1);
  EXPECT_EQ(grid.SelectedEvent()->start, six_ + 1800);
  EXPECT_EQ(grid.BoxAt(kPaneWidth, 0), nullptr);
}

}  // namespace
}  // namespace tables::grid
