// The Huffman encoder against a reference decoder written here from the
// description of the A/65 decode tables, and against the worked examples.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/broadcast/ReferenceText.h"
#include "tools/broadcast/AtscHuffman.h"

namespace broadcast {
namespace {

std::string ReferenceDecode(std::span<const std::uint8_t> table,
                            const std::vector<std::uint8_t>& bytes) {
  return test::ReferenceHuffmanDecode(table, bytes);
}

struct Example {
  HuffmanTable table;
  std::vector<std::uint8_t> bytes;
  std::string text;
  bool canonical;  // the bytes an encoder writes for the text (end symbol, zero padding)
};

const std::vector<Example>& Examples() {
  static const std::vector<Example> examples = {
      {HuffmanTable::kTitle, {0x8C, 0xF4, 0x55, 0xB2, 0xF6}, "Evening News", true},
      {HuffmanTable::kTitle, {0x03, 0xEA, 0x5D, 0xD7, 0x56, 0x96, 0x40}, "Sesame Street", true},
      {HuffmanTable::kTitle,
       {0x08, 0x4F, 0x89, 0x6A, 0x87, 0x03, 0x60, 0x9B, 0x43, 0xB9, 0x60, 0xCA, 0x70},
       "Star Trek: The Next Generation",
       true},
      {HuffmanTable::kTitle, {0xCB, 0x58, 0x16, 0xA8, 0xD9, 0xB7, 0xE0}, "X-Files", true},
      {HuffmanTable::kTitle, {0x8C, 0xF4, 0x55}, "Evening ", false},
      {HuffmanTable::kTitle, {0x8C, 0xF4, 0x55, 0xB2, 0xF6, 0xFF, 0xFF}, "Evening News", false},
      {HuffmanTable::kDescription,
       {0x5A, 0xF5, 0x44, 0x97, 0xFF, 0x4F, 0xD1, 0x37, 0xF8, 0x42, 0xD3, 0xF0, 0x80, 0xBC},
       "A look at the news of the day.",
       true},
      {HuffmanTable::kDescription,
       {0x6B, 0x47, 0x9E, 0x93, 0xB9, 0xD2, 0x94, 0xFC, 0x1B, 0xBE, 0x4D, 0x76, 0x6B, 0x10},
       "Weather, traffic and sports.",
       true},
      {HuffmanTable::kDescription,
       {0x08, 0x7D, 0x16, 0x42, 0xFF, 0x62, 0xE8},
       "Part 2 of 3.",
       true},
      {HuffmanTable::kDescription, {0x8C, 0xF4, 0x55, 0xB2, 0xF6}, "Ro fet.", false},
  };
  return examples;
}

TEST(AtscHuffman, EmbeddedTablesHaveTheStandardLayout) {
  const auto title = HuffmanDecodeTable(HuffmanTable::kTitle);
  const auto description = HuffmanDecodeTable(HuffmanTable::kDescription);
  ASSERT_EQ(title.size(), 1940u);
  ASSERT_EQ(description.size(), 1782u);
  EXPECT_EQ(title[0] << 8 | title[1], 0x0100);
  EXPECT_EQ(title[2] << 8 | title[3], 0x013A);
  EXPECT_EQ(description[2] << 8 | description[3], 0x012C);
}

TEST(AtscHuffman, ReferenceDecoderReadsTheWorkedExamples) {
  for (const Example& e : Examples()) {
    EXPECT_EQ(ReferenceDecode(HuffmanDecodeTable(e.table), e.bytes), e.text) << e.text;
  }
}

TEST(AtscHuffman, EncoderReproducesTheWorkedExamples) {
  for (const Example& e : Examples()) {
    if (!e.canonical) continue;
    const auto encoded = HuffmanEncode(e.table, e.text);
    ASSERT_TRUE(encoded.has_value()) << e.text;
    EXPECT_EQ(*encoded, e.bytes) << e.text;
  }
}

TEST(AtscHuffman, RoundTripsEveryByteInEveryContext) {
  // Every pair of characters 0x01-0xFF puts each symbol into each context
  // (including the escaped ones and those without an end symbol).
  for (const HuffmanTable table : {HuffmanTable::kTitle, HuffmanTable::kDescription}) {
    for (int a = 1; a < 256; a += 1) {
      std::string text;
      for (int b = 1; b < 256; ++b) {
        text.push_back(static_cast<char>(a));
        text.push_back(static_cast<char>(b));
      }
      const auto encoded = HuffmanEncode(table, text);
      ASSERT_TRUE(encoded.has_value());
      ASSERT_EQ(ReferenceDecode(HuffmanDecodeTable(table), *encoded), text) << "a=" << a;
    }
  }
}

TEST(AtscHuffman, PaddingNeverDecodesToACharacter) {
  // Texts ending in every possible last character, with every length modulo 8.
  for (const HuffmanTable table : {HuffmanTable::kTitle, HuffmanTable::kDescription}) {
    for (int last = 1; last < 256; ++last) {
      for (int prefix = 0; prefix < 8; ++prefix) {
        std::string text(static_cast<std::size_t>(prefix), 'e');
        text.push_back(static_cast<char>(last));
        const auto encoded = HuffmanEncode(table, text);
        ASSERT_TRUE(encoded.has_value());
        ASSERT_EQ(ReferenceDecode(HuffmanDecodeTable(table), *encoded), text);
      }
    }
  }
}

TEST(AtscHuffman, RefusesTheNulCharacter) {
  EXPECT_FALSE(HuffmanEncode(HuffmanTable::kTitle, std::string("a\0b", 3)).has_value());
}

}  // namespace
}  // namespace broadcast
