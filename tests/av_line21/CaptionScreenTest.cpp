// The caption screen as zvbi keeps it: roll-up rows move up on a carriage
// return, paint-on text shows a word at a time.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "capsift/dll/Cea608Text.h"
#include "platform/av/line21/CaptionScreen.h"

namespace av::line21::test {
namespace {

using Rows = std::vector<std::string>;

std::vector<std::uint8_t> Pair(std::uint8_t first, std::uint8_t second) {
  return {capsift::WithOddParity(first), capsift::WithOddParity(second)};
}

std::vector<std::uint8_t> Text(const std::string& text) {
  std::vector<std::uint8_t> pairs;
  for (std::size_t i = 0; i < text.size(); i += 2) {
    const auto pair = Pair(static_cast<std::uint8_t>(text[i]),
                           i + 1 < text.size() ? static_cast<std::uint8_t>(text[i + 1]) : 0);
    pairs.insert(pairs.end(), pair.begin(), pair.end());
  }
  return pairs;
}

const auto kRollUp2 = Pair(0x14, 0x25);
const auto kPaintOn = Pair(0x14, 0x29);
const auto kCarriageReturn = Pair(0x14, 0x2D);
const auto kRow15 = Pair(0x14, 0x60);

TEST(CaptionScreen, RollUpMovesRowsUpOnCarriageReturn) {
  CaptionScreen screen;
  std::vector<std::uint8_t> picture(CaptionScreen::kPictureBytes);
  EXPECT_FALSE(screen.Feed(kRollUp2));
  screen.Feed(kRow15);
  EXPECT_TRUE(screen.Feed(Text("FIRST ")));
  EXPECT_EQ(screen.Rows(), Rows{"FIRST"});
  screen.Take(picture.data());
  EXPECT_FALSE(screen.Feed(kRollUp2));  // nothing on screen changed
  screen.Feed(kCarriageReturn);
  screen.Feed(Text("SECOND "));
  EXPECT_EQ(screen.Rows(), (Rows{"FIRST", "SECOND"}));
  screen.Feed(kCarriageReturn);
  EXPECT_TRUE(screen.Feed(Text("THIRD ")));
  EXPECT_EQ(screen.Rows(), (Rows{"SECOND", "THIRD"}));
}

TEST(CaptionScreen, PaintOnShowsEndedWordsAndResetClearsThem) {
  CaptionScreen screen;
  screen.Feed(kPaintOn);
  screen.Feed(kRow15);
  EXPECT_TRUE(screen.Feed(Text("ON ")));
  EXPECT_EQ(screen.Rows(), Rows{"ON"});
  std::vector<std::uint8_t> picture(CaptionScreen::kPictureBytes);
  screen.Take(picture.data());
  EXPECT_FALSE(screen.Feed(Text("PA")));  // the word is not ended yet
  screen.Feed(Text("INT "));
  EXPECT_EQ(screen.Rows(), Rows{"ON PAINT"});
  EXPECT_FALSE(screen.Blank());
  screen.Reset();
  EXPECT_TRUE(screen.Blank());
  EXPECT_TRUE(screen.Rows().empty());
}

}  // namespace
}  // namespace av::line21::test
