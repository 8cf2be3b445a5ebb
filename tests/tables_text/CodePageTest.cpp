#include "platform/codepage/CodePage.h"

#include <gtest/gtest.h>

#include <string>

#include "tests/tables_text/TextTestUtil.h"

namespace {

using tables::test::Bytes;

std::u16string Convert(unsigned codePage, const Bytes& bytes, std::size_t capacity = 64) {
  std::u16string out(capacity, u'#');
  const int n = MultiByteToWideChar(codePage, bytes, out);
  EXPECT_GE(n, 0);
  out.resize(static_cast<std::size_t>(n < 0 ? 0 : n));
  return out;
}

TEST(CodePageTest, UnsupportedCodePagesFail) {
  char16_t out[4];
  for (unsigned codePage : {0u, 28602u, 52936u, 12345u}) {
    EXPECT_EQ(MultiByteToWideChar(codePage, Bytes{'A'}, out), -1) << codePage;
  }
}

TEST(CodePageTest, Utf16OfBothByteOrders) {
  EXPECT_EQ(Convert(1200, {0x41, 0x00, 0x1C, 0x04, 0x42}), u"AМ");
  EXPECT_EQ(Convert(1201, {0x00, 0x41, 0x04, 0x1C, 0x42}), u"AМ");
}

TEST(CodePageTest, InvalidBytesBecomeReplacementCharacters) {
  EXPECT_EQ(Convert(65001, {'A', 0xFF, 'B'}), u"A\uFFFDB");
  EXPECT_EQ(Convert(65001, {'A', 0xE2, 0x82}), u"A\uFFFD");
  EXPECT_EQ(Convert(20936, {0xD6, 0xD0, 0xFF, 0xFF, 'x'}), u"中\uFFFD\uFFFDx");
  EXPECT_EQ(Convert(20269, {0xC0, 'a'}), u"\uFFFDa");
}

TEST(CodePageTest, OutputIsCutWithoutSplittingACharacter) {
  // U+1F3B5 needs two UTF-16 units; with room for one, nothing is written.
  EXPECT_EQ(Convert(65001, {0xF0, 0x9F, 0x8E, 0xB5}, 1), u"");
  EXPECT_EQ(Convert(65001, {'a', 0xF0, 0x9F, 0x8E, 0xB5}, 2), u"a");
  EXPECT_EQ(Convert(65001, {0xF0, 0x9F, 0x8E, 0xB5}, 2), u"\U0001F3B5");
}

TEST(CodePageTest, LongTextsConvertWhole) {
  const Bytes latin(1000, 0xE9);
  EXPECT_EQ(Convert(28591, latin, 2000), std::u16string(1000, u'é'));
  EXPECT_EQ(Convert(28591, latin, 700), std::u16string(700, u'é'));
}

TEST(CodePageTest, Iso6937MatchesTheStandardTable) {
  // Every single byte outside the diacritical marks and the unused codes.
  EXPECT_EQ(Convert(20269, {0x24, 0xA0, 0xA6, 0xA8, 0xD0, 0xE2, 0xF2, 0xFF, 0x85}),
            u"$\u00A0#¤―Đđ\u00AD\u0085");
  // Every diacritical mark over a letter that has a precomposed form.
  EXPECT_EQ(
      Convert(20269, {0xC1, 'a', 0xC2, 'e', 0xC3, 'i', 0xC4, 'n', 0xC5, 'o', 0xC6, 'g', 0xC7, 'z',
                      0xC8, 'y', 0xC9, 'o', 0xCA, 'u', 0xCB, 's', 0xCD, 'O', 0xCE, 'E', 0xCF, 'C'}),
      u"àéîñōğżÿöůşŐĘČ");
}

}  // namespace
