#include <gtest/gtest.h>

#include <array>
#include <string>
#include <vector>

#include "filters/text/TextRecord.h"

namespace {

using tables::NowPlayingInfo;

std::vector<std::uint8_t> Encode(const filters::TextRecordFields& fields) {
  std::vector<std::uint8_t> out(filters::kTextBufferSize);
  out.resize(filters::EncodeTextRecord(fields, out));
  return out;
}

// Declared length of the first element of `type` in an encoded record.
std::size_t DeclaredLength(const std::vector<std::uint8_t>& record, filters::TextElement type) {
  std::size_t pos = 0;
  while (pos + 2 <= record.size() && record[pos] >= 4) {
    const std::uint8_t t = record[pos] >> 2;
    const std::size_t length = static_cast<std::size_t>(record[pos] & 3) << 8 | record[pos + 1];
    if (t == static_cast<std::uint8_t>(type)) return length;
    pos += 2 + (t == 4 ? 1 : t == 8 ? 5 : 2 * length);
  }
  return SIZE_MAX;
}

template <std::size_t N>
void Fill(char16_t (&field)[N], std::size_t count, char16_t first) {
  for (std::size_t i = 0; i < count; ++i)
    field[i] = static_cast<char16_t>(first + i % 26);
  field[count] = u'\0';
}

TEST(TextRecord, WriterAndReaderCutStringsToTheirLimits) {
  const std::u16string title(200, u'T'), description(2000, u'D'), shortName(20, u'S');
  filters::TextRecordFields fields;
  fields.title = title;
  fields.description = description;
  fields.shortName = shortName;
  const auto record = Encode(fields);
  ASSERT_FALSE(record.empty());
  EXPECT_EQ(DeclaredLength(record, filters::TextElement::kTitle), 127u);
  EXPECT_EQ(DeclaredLength(record, filters::TextElement::kDescription), 1023u);
  EXPECT_EQ(DeclaredLength(record, filters::TextElement::kShortName), 20u);  // written whole

  NowPlayingInfo info;
  ASSERT_TRUE(filters::DecodeTextRecord(record, &info));
  EXPECT_EQ(std::u16string(info.title), std::u16string(127, u'T'));
  EXPECT_EQ(std::u16string(info.description), std::u16string(1023, u'D'));
  EXPECT_EQ(std::u16string(info.shortName), std::u16string(15, u'S'));

  // A buffer too small for the record gives no record at all.
  std::array<std::uint8_t, 64> small{};
  EXPECT_EQ(filters::EncodeTextRecord(fields, small), 0u);
}

TEST(TextRecord, EveryFieldOfANowPlayingRecordSurvivesTheRoundTrip) {
  NowPlayingInfo in;
  in.physical = 0xB7;
  in.major = 0xFFEE;
  in.minor = 0x1234;
  in.signalQuality = 93;
  Fill(in.shortName, 15, u'a');
  Fill(in.title, 127, u'A');
  Fill(in.timeLine, 63, u'0');
  Fill(in.reserved2, 31, u'r');
  Fill(in.description, 1023, u'\x3B1');  // Greek letters: both bytes matter
  in.description[5] = u'\xFFFD';
  const auto record = Encode(filters::FieldsOf(in));
  // Writer order: title, short name, reserved, time line, description, type 8, type 4, end.
  ASSERT_GE(record.size(), 11u);
  EXPECT_EQ(record[0] >> 2, static_cast<int>(filters::TextElement::kTitle));
  const std::vector<std::uint8_t> tail(record.end() - 11, record.end());
  EXPECT_EQ(tail,
            (std::vector<std::uint8_t>{0x20, 5, 0xB7, 0xFF, 0xEE, 0x12, 0x34, 0x10, 4, 93, 0}));

  NowPlayingInfo out;
  ASSERT_TRUE(filters::DecodeTextRecord(record, &out));
  EXPECT_EQ(out.physical, in.physical);
  EXPECT_EQ(out.major, in.major);
  EXPECT_EQ(out.minor, in.minor);
  EXPECT_EQ(out.signalQuality, in.signalQuality);
  EXPECT_EQ(std::u16string(out.shortName), std::u16string(in.shortName));
  EXPECT_EQ(std::u16string(out.title), std::u16string(in.title));
  EXPECT_EQ(std::u16string(out.timeLine), std::u16string(in.timeLine));
  EXPECT_EQ(std::u16string(out.reserved2), std::u16string(in.reserved2));
  EXPECT_EQ(std::u16string(out.description), std::u16string(in.description));

  // A reserved text longer than the reader keeps is cut to 31.
  Fill(in.reserved2, 63, u'r');
  ASSERT_TRUE(filters::DecodeTextRecord(Encode(filters::FieldsOf(in)), &out));
  EXPECT_EQ(std::u16string(out.reserved2).size(), 31u);
}

TEST(TextRecord, HostileRecordsStopCleanlyAndKeepWhatCameBefore) {
  NowPlayingInfo info;
  Fill(info.title, 3, u'x');
  Fill(info.timeLine, 2, u'k');
  info.signalQuality = 7;

  // Unknown type 9 skipped by its length; type 1's packed channel numbers;
  // type 4 takes one byte whatever it declares; a first byte below 4 ends.
  const std::vector<std::uint8_t> good = {0x24, 3,    0xAA, 0xBB, 0xCC,  // type 9, 3 bytes: skipped
                                          0x04, 4,    0x6A, 0xF1, 0x05,
                                          0x2A,  // type 1: major 0x1ABC, minor 0x105, physical 42
                                          0x10, 0x3F, 55,           // type 4, declared 63: one byte
                                          0x08, 1,    0x00, u'Z',   // short name "Z"
                                          0x03, 0xFF,               // end (length bits are ignored)
                                          0x0C, 1,    0x00, u'Q'};  // after the end: not read
  ASSERT_TRUE(filters::DecodeTextRecord(good, &info));
  EXPECT_EQ(info.major, 0x1ABC);
  EXPECT_EQ(info.minor, 0x105);
  EXPECT_EQ(info.physical, 42);
  EXPECT_EQ(info.signalQuality, 55);
  EXPECT_EQ(std::u16string(info.shortName), u"Z");
  EXPECT_EQ(std::u16string(info.title), u"xyz");  // not present: kept
  EXPECT_EQ(std::u16string(info.timeLine), u"kl");

  // A length that runs past the end: the element is not applied.
  const std::vector<std::uint8_t> pastEnd = {0x14, 1, 0, u'T', 0x0F, 0xFF, 0, u'A', 0, u'B'};
  EXPECT_FALSE(filters::DecodeTextRecord(pastEnd, &info));
  EXPECT_EQ(std::u16string(info.timeLine), u"T");
  EXPECT_EQ(std::u16string(info.title), u"xyz");

  // Cut inside a header, inside a fixed-size element, or with no end byte.
  for (const std::vector<std::uint8_t>& cut : std::vector<std::vector<std::uint8_t>>{
           {0x0C}, {0x20, 5, 1, 2}, {0x10, 4}, {0x08, 1, 0, u'W'}, {}}) {
    EXPECT_FALSE(filters::DecodeTextRecord(cut, &info));
  }
  EXPECT_EQ(info.physical, 42);
  EXPECT_EQ(std::u16string(info.shortName), u"W");  // the complete element was applied
}

}  // namespace
