#include "capsift/dll/Cea608Text.h"

#include <gtest/gtest.h>

#include <string_view>
#include <vector>

namespace capsift {
namespace {

std::vector<std::uint8_t> Bytes(std::initializer_list<int> values) {
  std::vector<std::uint8_t> out;
  for (int v : values)
    out.push_back(WithOddParity(static_cast<std::uint8_t>(v)));
  return out;
}

std::vector<std::uint8_t> Text(std::string_view text) {
  std::vector<std::uint8_t> out;
  for (char c : text)
    out.push_back(WithOddParity(static_cast<std::uint8_t>(c)));
  if (out.size() % 2) out.push_back(0x80);  // padding
  return out;
}

TEST(Cea608Text, ParityBit) {
  EXPECT_EQ(WithOddParity(0x14), 0x94);
  EXPECT_EQ(WithOddParity(0x2C), 0x2C);
  EXPECT_EQ(WithOddParity(0x20), 0x20);
  EXPECT_EQ(WithOddParity('A'), 0xC1);
  for (int v = 0; v < 128; ++v)
    EXPECT_TRUE(HasOddParity(WithOddParity(static_cast<std::uint8_t>(v))));
  EXPECT_FALSE(HasOddParity(0x14));
  EXPECT_EQ(FormatPairs(std::vector<std::uint8_t>{0x94, 0x2C, 0xC1, 0x80}), "94 2c  c1 80");
}

TEST(Cea608Text, PrintableTextWithThe608Replacements) {
  Cea608Text t;
  EXPECT_EQ(t.Decode(Text("Hello, world")), "Hello, world");
  EXPECT_EQ(t.Decode(Text("ma*ana")), "ma\u00E1ana");  // 0x2A is a-acute
  EXPECT_EQ(t.Decode(Text("\\^_`{|}~\x7F")),
            "\u00E9\u00ED\u00F3\u00FA\u00E7\u00F7\u00D1\u00F1\u2588");
  EXPECT_EQ(t.Decode(std::vector<std::uint8_t>{0x80, 0x80}), "");  // null padding
}

TEST(Cea608Text, ControlCodesOnceEvenWhenRepeated) {
  Cea608Text t;
  // Pop-on caption: RCL RCL, PAC row 15 indent 4, text, EOC EOC.
  auto bytes = Bytes({0x14, 0x20, 0x14, 0x20, 0x14, 0x72, 0x14, 0x72});
  const auto text = Text("HI");
  bytes.insert(bytes.end(), text.begin(), text.end());
  const auto eoc = Bytes({0x14, 0x2F, 0x14, 0x2F});
  bytes.insert(bytes.end(), eoc.begin(), eoc.end());
  EXPECT_EQ(t.Decode(bytes), "{RCL}{R15 C4}HI{EOC}");
  // The repetition rule reaches across units; a third copy counts again.
  EXPECT_EQ(t.Decode(Bytes({0x14, 0x2D})), "{CR}");
  EXPECT_EQ(t.Decode(Bytes({0x14, 0x2D})), "");
  EXPECT_EQ(t.Decode(Bytes({0x14, 0x2D})), "{CR}");
}

TEST(Cea608Text, RowsColoursSpecialCharactersAndChannels) {
  Cea608Text t;
  EXPECT_EQ(t.Decode(Bytes({0x11, 0x40})), "{R1 white}");
  t.Reset();
  EXPECT_EQ(t.Decode(Bytes({0x10, 0x4E})), "{R11 italics}");
  EXPECT_EQ(t.Decode(Bytes({0x13, 0x61})), "{R13 white U}");
  EXPECT_EQ(t.Decode(Bytes({0x17, 0x5E})), "{R9 C28}");
  EXPECT_EQ(t.Decode(Bytes({0x1C, 0x2C})), "{2:EDM}");
  EXPECT_EQ(t.Decode(Bytes({0x17, 0x22})), "{TO2}");
  EXPECT_EQ(t.Decode(Bytes({0x11, 0x37})), "\u266A");  // music note
  EXPECT_EQ(t.Decode(Bytes({0x11, 0x2E})), " ");       // mid-row code
  // An extended character leaves its fall-back standing.
  auto bytes = Text("E");
  const auto ext = Bytes({0x12, 0x30});
  bytes.insert(bytes.end(), ext.begin(), ext.end());
  EXPECT_EQ(t.Decode(bytes), "E");
}

TEST(Cea608Text, BadParityIsShownAndBreaksControlCodes) {
  Cea608Text t;
  EXPECT_EQ(t.Decode(std::vector<std::uint8_t>{0x41, 0xC2}), "?B");  // 0x41 has even parity
  EXPECT_EQ(t.Decode(std::vector<std::uint8_t>{0x14, 0x2C}), "?");   // control with bad parity
  EXPECT_EQ(t.Decode(Bytes({0x14, 0x2C})), "{EDM}");
  // A trailing odd byte is no pair.
  EXPECT_EQ(t.Decode(std::vector<std::uint8_t>{0xC1}), "");
}

}  // namespace
}  // namespace capsift
