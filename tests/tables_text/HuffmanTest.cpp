#include "tables/text/Huffman.h"

#include <gtest/gtest.h>

#include <string>

#include "tests/tables_text/TextTestUtil.h"

namespace tables {
namespace {

using test::Bytes;

struct Example {
  bool title;
  Bytes input;
  std::string text;
};

// The worked examples that come with the decode tables.
const Example kExamples[] = {
    {true, {0x8C, 0xF4, 0x55, 0xB2, 0xF6}, "Evening News"},
    {true, {0x03, 0xEA, 0x5D, 0xD7, 0x56, 0x96, 0x40}, "Sesame Street"},
    {true,
     {0x08, 0x4F, 0x89, 0x6A, 0x87, 0x03, 0x60, 0x9B, 0x43, 0xB9, 0x60, 0xCA, 0x70},
     "Star Trek: The Next Generation"},
    {true, {0xCB, 0x58, 0x16, 0xA8, 0xD9, 0xB7, 0xE0}, "X-Files"},
    {true, {0x8C, 0xF4, 0x55}, "Evening "},
    {true, {0x8C, 0xF4, 0x55, 0xB2, 0xF6, 0xFF, 0xFF}, "Evening News"},
    {false,
     {0x5A, 0xF5, 0x44, 0x97, 0xFF, 0x4F, 0xD1, 0x37, 0xF8, 0x42, 0xD3, 0xF0, 0x80, 0xBC},
     "A look at the news of the day."},
    {false,
     {0x6B, 0x47, 0x9E, 0x93, 0xB9, 0xD2, 0x94, 0xFC, 0x1B, 0xBE, 0x4D, 0x76, 0x6B, 0x10},
     "Weather, traffic and sports."},
    {false, {0x08, 0x7D, 0x16, 0x42, 0xFF, 0x62, 0xE8}, "Part 2 of 3."},
    {false, {0x8C, 0xF4, 0x55, 0xB2, 0xF6}, "Ro fet."},
};

std::span<const std::uint8_t> TableOf(const Example& e) {
  return e.title ? HuffmanTitleTable() : HuffmanDescriptionTable();
}

TEST(HuffmanTest, TablesHaveTheirSizesAndFirstOffsets) {
  const auto title = HuffmanTitleTable();
  const auto description = HuffmanDescriptionTable();
  ASSERT_EQ(title.size(), 1940u);
  ASSERT_EQ(description.size(), 1782u);
  EXPECT_EQ((Bytes{title[0], title[1], title[2], title[3]}), (Bytes{0x01, 0x00, 0x01, 0x3A}));
  EXPECT_EQ((Bytes{description[0], description[1], description[2], description[3]}),
            (Bytes{0x01, 0x00, 0x01, 0x2C}));
}

TEST(HuffmanTest, DecodesTheWorkedExamplesInBothWidths) {
  for (const auto& e : kExamples) {
    SCOPED_TRACE(e.text);
    char16_t wide[64];
    auto state = HuffmanStart(TableOf(e));
    const std::size_t wideCount = HuffmanDecode(state, std::span(wide), e.input);
    EXPECT_EQ(std::u16string(wide, wideCount), std::u16string(e.text.begin(), e.text.end()));

    char narrow[64];
    state = HuffmanStart(TableOf(e));
    const std::size_t narrowCount = HuffmanDecode(state, std::span(narrow), e.input);
    EXPECT_EQ(std::string(narrow, narrowCount), e.text);
  }
}

TEST(HuffmanTest, StopsAtTheCapacity) {
  char text[7];
  auto state = HuffmanStart(HuffmanTitleTable());
  EXPECT_EQ(HuffmanDecode(state, std::span(text), kExamples[0].input), 7u);
  EXPECT_EQ(std::string(text, 7), "Evening");

  state = HuffmanStart(HuffmanTitleTable());
  EXPECT_EQ(HuffmanDecode(state, std::span<char>(), kExamples[0].input), 0u);
}

TEST(HuffmanTest, LiteralsKeepAllEightBits) {
  // 0xCB is the escape code of context 0 in the title table ("X-Files" starts
  // with it); the literal after it here has its top bit set.
  const Bytes input = {0xCB, 0xD8};
  char16_t wide[1];
  auto state = HuffmanStart(HuffmanTitleTable());
  ASSERT_EQ(HuffmanDecode(state, std::span(wide), input), 1u);
  EXPECT_EQ(wide[0], u'\u00D8');

  char narrow[1];
  state = HuffmanStart(HuffmanTitleTable());
  ASSERT_EQ(HuffmanDecode(state, std::span(narrow), input), 1u);
  EXPECT_EQ(static_cast<unsigned char>(narrow[0]), 0xD8);
}

TEST(HuffmanTest, DamagedTableNeverReadsOutsideIt) {
  // A table whose context 0 points past its end, and one whose tree names a
  // node beyond its end: decoding just stops.
  const Bytes pastEnd = {0xFF, 0xFF};
  auto state = HuffmanStart(pastEnd);
  char text[8];
  EXPECT_EQ(HuffmanDecode(state, std::span(text), Bytes{0x00, 0x00}), 0u);

  Bytes deepNode(256, 0x00);
  deepNode[0] = 0x01;  // context 0 tree at offset 0x0100 = the end of the table
  deepNode.push_back(0x7F);
  deepNode.push_back(0x7F);
  state = HuffmanStart(deepNode);
  EXPECT_EQ(HuffmanDecode(state, std::span(text), Bytes{0x00, 0x00, 0x00}), 0u);
}

}  // namespace
}  // namespace tables
