#include "tables/text/UnicodeCompression.h"

#include <gtest/gtest.h>

#include <string>

#include "tables/text/TextDecoding.h"
#include "tests/tables_text/TextTestUtil.h"

namespace tables {
namespace {

using test::Bytes;

std::u16string Decode(const Bytes& input, UnicodeWindows& windows, std::size_t capacity = 64) {
  std::u16string out(capacity, u'#');
  out.resize(DecodeUnicodeCompression(out, input, windows));
  return out;
}

std::u16string Decode(const Bytes& input) {
  UnicodeWindows windows;
  return Decode(input, windows);
}

// The samples of the compression scheme's own description.
TEST(UnicodeCompressionTest, GermanUsesTheDefaultLatinWindow) {
  EXPECT_EQ(Decode({0xD6, 0x6C, 0x20, 0x66, 0x6C, 0x69, 0x65, 0xDF, 0x74}), u"Öl fließt");
}

TEST(UnicodeCompressionTest, RussianSwitchesToTheCyrillicWindow) {
  EXPECT_EQ(Decode({0x12, 0x9C, 0xBE, 0xC1, 0xBA, 0xB2, 0xB0}), u"Москва");
}

TEST(UnicodeCompressionTest, JapaneseMixesWindowsQuotesAndUnicodeMode) {
  const Bytes input = {0x08, 0x00, 0x1B, 0x4C, 0xEA, 0x16, 0xCA, 0xD3, 0x94, 0x0F,
                       0x53, 0xEF, 0x61, 0x1B, 0xE5, 0x84, 0xC4, 0x0F, 0x53, 0xEF,
                       0x61, 0x1B, 0xE5, 0x84, 0xC4, 0x16, 0xCA, 0xD3, 0x94};
  EXPECT_EQ(Decode(input), u"\u3000♪リンゴ可愛いや可愛いやリンゴ");
}

TEST(UnicodeCompressionTest, TagsOfSingleByteMode) {
  // SQU quotes a character; SQ1 quotes from static window 1 below 0x80 and
  // from dynamic window 1 above; control bytes 0x00, 0x09, 0x0A, 0x0D and the
  // reserved 0x0C pass through.
  EXPECT_EQ(Decode({0x0E, 0x20, 0xAC, 0x02, 0x41, 0x02, 0x80, 0x09, 0x0A, 0x0D, 0x0C, 0x00}),
            std::u16string(u"€\u00C1\u00C0\t\n\r\f") + u'\0');
  // SD0 with 0xF9 gives window 0 the offset 0x00C0; SC0 after SC2 returns to it.
  EXPECT_EQ(Decode({0x18, 0xF9, 0x80, 0x12, 0x80, 0x10, 0x81}), u"\u00C0\u0400\u00C1");
  // SD1 with 0x68 lands in the Hangul area (0x68 * 0x80 + 0xAC00).
  EXPECT_EQ(Decode({0x19, 0x68, 0x80}), u"\uE000");
}

TEST(UnicodeCompressionTest, ExtendedWindowsAreCutToSixteenBits) {
  // SDX: window 2, offset 0x10000 + 0x0001 * 0x80 = 0x10080; 0x81 gives
  // U+10081, cut to 0x0081.
  EXPECT_EQ(Decode({0x0B, 0x40, 0x01, 0x81}), u"\u0081");
}

TEST(UnicodeCompressionTest, TagsOfUnicodeMode) {
  // SCU, a character pair, UQU quoting a tag-like high byte, UC3 back to single
  // bytes in window 3 (0x0600).
  EXPECT_EQ(Decode({0x0F, 0x4E, 0x2D, 0xF0, 0xE0, 0x41, 0xE3, 0x81}), u"\u4E2D\uE041\u0601");
  // UD4 defines window 4 and returns to single bytes; UDX does the same for an
  // extended window; the reserved 0xF2 is skipped.
  EXPECT_EQ(Decode({0x0F, 0xF2, 0xEC, 0x08, 0x80, 0x0F, 0xF1, 0x20, 0x01, 0x80}), u"\u0400\u0080");
}

TEST(UnicodeCompressionTest, WindowDefinitionsOutliveTheSegmentButNotTheActiveWindow) {
  UnicodeWindows windows;
  EXPECT_EQ(Decode({0x1B, 0x4C, 0xEA}, windows), u"♪");  // SD3 defines and selects window 3
  EXPECT_EQ(windows.offsets[3], 0x2600u);
  // The next segment starts in window 0 but still finds window 3 redefined.
  EXPECT_EQ(Decode({0xD6, 0x13, 0xEA}, windows), u"Ö♪");
}

TEST(UnicodeCompressionTest, CapacityAndMissingArgumentsEndTheText) {
  UnicodeWindows windows;
  EXPECT_EQ(Decode({0xD6, 0x6C, 0x20, 0x66}, windows, 2), u"Öl");
  for (const Bytes& cut :
       {Bytes{0x41, 0x01}, Bytes{0x41, 0x0E, 0x20}, Bytes{0x41, 0x18}, Bytes{0x41, 0x0B, 0x01},
        Bytes{0x41, 0x0F, 0x4E}, Bytes{0x41, 0x0F, 0xE8}, Bytes{0x41, 0x0F, 0xF0, 0x20}}) {
    EXPECT_EQ(Decode(cut, windows), u"A");
  }
  // A reserved window byte leaves the window as it was.
  UnicodeWindows fresh;
  EXPECT_EQ(Decode({0x18, 0x00, 0x80, 0x18, 0xA8, 0x81}, fresh), u"\u0080\u0081");
}

TEST(UnicodeCompressionTest, SegmentModeUsesTheProgramWideWindows) {
  ResetUnicodeWindows();
  char16_t out[8];
  const Bytes define = {0x1A, 0x08, 0x80};  // SD2: window 2 = 0x0400
  EXPECT_EQ(DecodeSegment16(out, define, 0x3E), 1u);
  EXPECT_EQ(out[0], u'\u0400');
  const Bytes use = {0x12, 0x81};  // SC2 in a later segment
  EXPECT_EQ(DecodeSegment16(out, use, 0x3E), 1u);
  EXPECT_EQ(out[0], u'\u0401');
  const Bytes redefine = {0x1A, 0x09, 0x12, 0x80};  // window 2 = 0x0480
  DecodeSegment16(out, redefine, 0x3E);
  EXPECT_EQ(DecodeSegment16(out, use, 0x3E), 1u);
  EXPECT_EQ(out[0], u'\u0481');
  ResetUnicodeWindows();
  EXPECT_EQ(DecodeSegment16(out, use, 0x3E), 1u);
  EXPECT_EQ(out[0], u'\u0401');
}

}  // namespace
}  // namespace tables
