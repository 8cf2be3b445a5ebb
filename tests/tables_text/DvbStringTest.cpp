#include <gtest/gtest.h>

#include <string>

#include "tables/text/TextDecoding.h"
#include "tests/tables_text/TextTestUtil.h"

namespace tables {
namespace {

using test::Bytes;

std::u16string Decode(const Bytes& input, std::size_t capacity = 64, std::size_t* count = nullptr) {
  std::u16string out(capacity, u'#');
  const std::size_t n = DecodeDvbString(out, input);
  if (count) *count = n;
  EXPECT_GE(n, 1u);
  EXPECT_LE(n, capacity);
  EXPECT_EQ(out[n - 1], u'\0');
  return out.substr(0, n - 1);
}

TEST(DvbStringTest, DefaultTableIsIso6937WithTheEuroSign) {
  EXPECT_EQ(Decode({'N', 'e', 'w', 's'}), u"News");
  EXPECT_EQ(Decode({'5', ' ', 0xA4}), u"5 €");
  EXPECT_EQ(Decode({0xA9, 'Q', 0xB9, ' ', 0xD5, 0xE8, 0xFB}), u"‘Q’ ♪Łß");
  // Non-spacing marks come before their letter.
  EXPECT_EQ(Decode({'C', 'a', 'f', 0xC2, 'e', ' ', 0xC8, 'u', 0xCF, 's', 0xCA, 'A', 0xCB, 'c'}),
            u"Café üšÅç");
  // A mark before a space is the spacing mark; one without a precomposed
  // letter keeps letter and combining mark; one with nothing after it goes.
  EXPECT_EQ(Decode({0xC2, ' ', 0xC1, 'x', 'y', 0xC2}), u"´x\u0300y");
  EXPECT_EQ(Decode({0xC2, 0xA4}), u"€");
}

TEST(DvbStringTest, SelectorsChooseTheCharacterTable) {
  EXPECT_EQ(Decode({0x01, 0xBC, 0xDE}), u"Мо");                // ISO 8859-5
  EXPECT_EQ(Decode({0x07, 0xA1}), u"\u0E01");                  // ISO 8859-11
  EXPECT_EQ(Decode({0x09, 0xD0}), u"Š");                       // ISO 8859-13
  EXPECT_EQ(Decode({0x0B, 0xA4, 0xBD}), u"€œ");                // ISO 8859-15
  EXPECT_EQ(Decode({0x10, 0x00, 0x02, 0xB9, 0xE8}), u"šč");    // ISO 8859-2, from the fourth byte
  EXPECT_EQ(Decode({0x10, 0x00, 0x09, 0xFD}), u"ı");           // ISO 8859-9
  EXPECT_EQ(Decode({0x11, 0x04, 0x1C, 0x00, 0x41}), u"МA");    // UCS-2, big-endian
  EXPECT_EQ(Decode({0x12, 0xB0, 0xA1}), u"가");                // Korean
  EXPECT_EQ(Decode({0x13, 0xD6, 0xD0, 0xCE, 0xC4}), u"中文");  // GB-2312, EUC-CN form
  EXPECT_EQ(Decode({0x14, 0xA4, 0xA4}), u"中");                // Big5
  EXPECT_EQ(Decode({0x15, 0xC3, 0xA9, 0xE2, 0x82, 0xAC}), u"é€");  // UTF-8
}

TEST(DvbStringTest, ControlCodesBreakLinesAndLoseTheirEmphasis) {
  EXPECT_EQ(Decode({0x86, 'A', 0x87, 0x8A, 'B', 0x9F}), u"A\nB");
  EXPECT_EQ(Decode({0x05, 0x86, 0xE0, 0x8A, 0xE1}), u"\u00E0\n\u00E1");  // ISO 8859-9
  EXPECT_EQ(Decode({0x11, 0xE0, 0x86, 0x00, 0x41, 0xE0, 0x8A, 0x00, 0x42}), u"A\nB");
  EXPECT_EQ(Decode({0x15, 0xEE, 0x82, 0x8A, 'x'}), u"\nx");
}

TEST(DvbStringTest, EmptyAndFailedConversionsGiveAnEmptyText) {
  std::size_t count = 0;
  EXPECT_EQ(Decode({}, 8, &count), u"");
  EXPECT_EQ(count, 1u);
  EXPECT_EQ(Decode({0x01}, 8), u"");
  EXPECT_EQ(Decode({0x10, 0x00}, 8), u"");
  EXPECT_EQ(Decode({0x10, 0x00, 0x0C, 'A'}, 8), u"");  // there is no ISO 8859-12
  std::span<char16_t> none;
  EXPECT_EQ(DecodeDvbString(none, Bytes{'A'}), 0u);
}

TEST(DvbStringTest, LongTextIsCutAtTheCapacity) {
  const Bytes hello = {'H', 'e', 'l', 'l', 'o', ' ', 'W', 'o', 'r', 'l', 'd'};
  std::size_t count = 0;
  EXPECT_EQ(Decode(hello, 6, &count), u"Hello");
  EXPECT_EQ(count, 6u);
  EXPECT_EQ(Decode({0x11, 0x00, 0x41, 0x00, 0x42, 0x00, 0x43}, 3), u"AB");
  EXPECT_EQ(Decode({0x15, 'a', 0xC3, 0xA9, 'b'}, 3), u"aé");
  EXPECT_EQ(Decode({0x13, 0xD6, 0xD0, 0xCE, 0xC4}, 2), u"中");
  EXPECT_EQ(Decode({'a', 0xC1, 'x'}, 3), u"a") << "a letter is never split from its mark";
  EXPECT_EQ(Decode(hello, 1), u"");
}

}  // namespace
}  // namespace tables
