#include <gtest/gtest.h>

#include <string>

using namespace std::string_literals;

#include "tables/text/TextDecoding.h"
#include "tests/tables_text/TextTestUtil.h"

namespace tables {
namespace {

using test::Ascii;
using test::Bytes;
using test::MultipleString;

const Bytes kEveningNews = {0x8C, 0xF4, 0x55, 0xB2, 0xF6};  // title table
const Bytes kLookAtTheNews = {0x5A, 0xF5, 0x44, 0x97, 0xFF, 0x4F, 0xD1,
                              0x37, 0xF8, 0x42, 0xD3, 0xF0, 0x80, 0xBC};  // description table

// Decodes into a buffer of `capacity` characters and returns the text up to
// the terminator; `count` receives the return value.
std::u16string Decode16(const Bytes& input, std::size_t capacity, std::size_t* count = nullptr) {
  std::u16string buffer(capacity, u'#');
  const std::size_t n = DecodeMultipleString16(buffer, input);
  if (count) *count = n;
  EXPECT_GE(n, 1u);
  EXPECT_LE(n, capacity);
  EXPECT_EQ(buffer[n - 1], u'\0') << "terminator after the text";
  return buffer.substr(0, n - 1);
}

std::string Decode8(const Bytes& input, std::size_t capacity, std::size_t* count = nullptr) {
  std::string buffer(capacity, '#');
  const std::size_t n = DecodeMultipleString8(buffer, input);
  if (count) *count = n;
  EXPECT_GE(n, 1u);
  EXPECT_LE(n, capacity);
  EXPECT_EQ(buffer[n - 1], '\0');
  return buffer.substr(0, n - 1);
}

TEST(MultipleStringTest, NoStringsGiveAnEmptyTextAndCountOne) {
  std::size_t count = 0;
  EXPECT_EQ(Decode16(Bytes{0x00}, 32, &count), u"");
  EXPECT_EQ(count, 1u);
  EXPECT_EQ(Decode16(Bytes{}, 32, &count), u"");
  EXPECT_EQ(count, 1u);
  EXPECT_EQ(Decode8(Bytes{0x00}, 32, &count), "");
  EXPECT_EQ(count, 1u);
}

TEST(MultipleStringTest, OnlyTheFirstStringIsUsedWhateverItsLanguage) {
  const auto empty = MultipleString({{"fra", {}}, {"eng", {{0x00, 0x00, Ascii("News")}}}});
  EXPECT_EQ(Decode16(empty, 32), u"");
  EXPECT_EQ(Decode8(empty, 32), "");

  const auto two = MultipleString(
      {{"spa", {{0x00, 0x00, Ascii("Noticias")}}}, {"eng", {{0x00, 0x00, Ascii("News")}}}});
  std::size_t count = 0;
  EXPECT_EQ(Decode16(two, 32, &count), u"Noticias");
  EXPECT_EQ(count, 9u);
}

TEST(MultipleStringTest, SegmentModesGiveTheUpperByteOrQuestionMarks) {
  EXPECT_EQ(Decode16(MultipleString({{"eng", {{0x00, 0x01, {0x41, 0x42}}}}}), 8), u"\u0141\u0142");
  EXPECT_EQ(Decode16(MultipleString({{"eng", {{0x00, 0x07, {0x41, 0x42}}}}}), 8), u"??");
  EXPECT_EQ(Decode16(MultipleString({{"eng", {{0x00, 0x33, {0x41}}}}}), 8), u"\u3341");
  EXPECT_EQ(Decode16(MultipleString({{"eng", {{0x00, 0x40, {0x41}}}}}), 8), u"?");
  // Mode 0x3F: big-endian UTF-16, an odd last byte is left over.
  EXPECT_EQ(Decode16(MultipleString({{"eng", {{0x00, 0x3F, {0x04, 0x1C, 0x00, 0x41, 0x20}}}}}), 8),
            u"\u041CA");
}

TEST(MultipleStringTest, OneByteModesEndWhereTheirRangesEnd) {
  const Bytes byte = {0x41};
  char16_t out[1];
  for (unsigned mode : {0x00u, 0x06u, 0x09u, 0x10u, 0x20u, 0x27u, 0x30u, 0x33u}) {
    ASSERT_EQ(DecodeSegment16(out, byte, static_cast<std::uint8_t>(mode)), 1u);
    EXPECT_EQ(out[0], static_cast<char16_t>(mode << 8 | 0x41)) << mode;
  }
  for (unsigned mode : {0x07u, 0x08u, 0x11u, 0x1Fu, 0x28u, 0x2Fu, 0x34u, 0x3Du, 0x40u, 0xFFu}) {
    ASSERT_EQ(DecodeSegment16(out, byte, static_cast<std::uint8_t>(mode)), 1u);
    EXPECT_EQ(out[0], u'?') << mode;
  }
}

TEST(MultipleStringTest, SegmentsAreJoinedInOrder) {
  const auto input = MultipleString({{"eng",
                                      {{0x00, 0x00, Ascii("Ch 7: ")},
                                       {0x01, 0x00, kEveningNews},
                                       {0x05, 0x00, Ascii("skipped")},
                                       {0x00, 0x01, {0x41}},
                                       {0x02, 0x00, kLookAtTheNews}}}});
  EXPECT_EQ(Decode16(input, 80), u"Ch 7: Evening News\u0141A look at the news of the day.");
  // The 8-bit twin copies only mode 0x00 bytes.
  EXPECT_EQ(Decode8(input, 80), "Ch 7: Evening NewsA look at the news of the day.");
}

TEST(MultipleStringTest, HuffmanSegmentEndsWhereItsBytesRunOut) {
  const auto input = MultipleString({{"eng", {{0x01, 0x00, {0x8C, 0xF4, 0x55}}}}});
  EXPECT_EQ(Decode16(input, 32), u"Evening ");
  EXPECT_EQ(Decode8(input, 32), "Evening ");
}

TEST(MultipleStringTest, HuffmanInAnotherModeUsesUpCapacityButLeavesNoText) {
  // Capacity 16: 15 characters of room; the title takes 12 of them and is then
  // written over by the next segment, which has only 3 left.
  const auto input =
      MultipleString({{"eng", {{0x01, 0x3F, kEveningNews}, {0x00, 0x00, Ascii("ABCDEF")}}}});
  std::size_t count = 0;
  EXPECT_EQ(Decode16(input, 16, &count), u"ABC");
  EXPECT_EQ(count, 4u);
  EXPECT_EQ(Decode8(input, 16, &count), "ABC");
  EXPECT_EQ(count, 4u);
}

TEST(MultipleStringTest, OutputNeverExceedsTheCapacity) {
  const auto input = MultipleString({{"eng",
                                      {{0x00, 0x00, Ascii("Hello")},
                                       {0x00, 0x3F, {0x00, 0x41, 0x00, 0x42}},
                                       {0x01, 0x00, kEveningNews}}}});
  for (std::size_t capacity = 1; capacity <= 24; ++capacity) {
    SCOPED_TRACE(capacity);
    const std::u16string full = u"HelloABEvening News";
    std::size_t count = 0;
    EXPECT_EQ(Decode16(input, capacity, &count), full.substr(0, capacity - 1));
    EXPECT_EQ(Decode8(input, capacity, &count), "HelloEvening News"s.substr(0, capacity - 1));
  }
  std::span<char16_t> none;
  EXPECT_EQ(DecodeMultipleString16(none, input), 0u);
  EXPECT_EQ(DecodeMultipleString8(std::span<char>(), input), 0u);
}

TEST(MultipleStringTest, LengthsClaimingMoreThanTheInputAreNotFollowed) {
  auto input = MultipleString({{"eng", {{0x00, 0x00, Ascii("Good")}, {0x00, 0x00, Ascii("Bad")}}}});
  input[input.size() - 4] = 0xFF;  // the second segment claims 255 bytes
  EXPECT_EQ(Decode16(input, 64), u"Good");
  EXPECT_EQ(Decode8(input, 64), "Good");

  // number_segments larger than the segments present.
  auto more = MultipleString({{"eng", {{0x00, 0x00, Ascii("Only")}}}});
  more[4] = 0xFF;
  EXPECT_EQ(Decode16(more, 64), u"Only");

  // Every cut of a valid structure decodes without reading past the cut.
  const auto whole = MultipleString(
      {{"eng", {{0x00, 0x00, Ascii("Hi")}, {0x01, 0x00, kEveningNews}, {0x00, 0x3E, {0x41}}}}});
  for (std::size_t cut = 0; cut <= whole.size(); ++cut) {
    const Bytes part(whole.begin(), whole.begin() + static_cast<std::ptrdiff_t>(cut));
    Decode16(part, 64);
    Decode8(part, 64);
  }
}

}  // namespace
}  // namespace tables
