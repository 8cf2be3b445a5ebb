#include "tables/psip/RatingText.h"

#include <cstring>
#include <string_view>

#include "common/ByteReader.h"
#include "common/TsConstants.h"

namespace tables {
namespace {

constexpr std::uint8_t kContentAdvisoryTag = common::kContentAdvisoryDescriptorTag;

// Rating strings by dimension and value; value 0 and unlisted values are empty.
constexpr std::string_view kRatings[8][9] = {
    {"", "None", "TV-G", "TV-PG", "TV-14", "TV-MA", "", "", ""},
    {"", "D", "", "", "", "", "", "", ""},
    {"", "L", "", "", "", "", "", "", ""},
    {"", "S", "", "", "", "", "", "", ""},
    {"", "V", "", "", "", "", "", "", ""},
    {"", "TV-Y", "TV-Y7", "", "", "", "", "", ""},
    {"", "FV", "", "", "", "", "", "", ""},
    {"", "N/A", "G", "PG", "PG-13", "R", "NC-17", "X", "NR"},
};

class Appender {
 public:
  explicit Appender(std::span<char> out) : out_(out) {
    if (!out_.empty()) out_[0] = 0;
  }
  void Append(std::string_view text) {
    for (char c : text) {
      if (length_ + 1 >= out_.size()) return;
      out_[length_++] = c;
      out_[length_] = 0;
    }
  }

 private:
  std::span<char> out_;
  std::size_t length_ = 0;
};

void AppendAdvisory(common::ByteReader body, Appender& out) {
  body.Bits(2);
  const auto regionCount = static_cast<unsigned>(body.Bits(6));
  for (unsigned region = 0; region < regionCount && body.Ok(); ++region) {
    body.U8();  // rating_region, not looked at
    const unsigned dimensions = body.U8();
    for (unsigned d = 0; d < dimensions; ++d) {
      const unsigned dimension = body.U8();
      body.Bits(4);
      const auto value = static_cast<unsigned>(body.Bits(4));
      if (!body.Ok()) return;
      if (dimension < 8 && value < 9) out.Append(kRatings[dimension][value]);
      if (d + 1 < dimensions) out.Append(",");
    }
    body.Skip(body.U8());  // rating_description_text
  }
}

}  // namespace

void ContentAdvisoryText(std::span<const std::uint8_t> descriptors, std::span<char> out) {
  Appender text(out);
  common::ByteReader loop(descriptors);
  while (loop.Remaining() >= 2) {
    const std::uint8_t tag = loop.U8();
    common::ByteReader body = loop.Sub(loop.U8());
    if (!loop.Ok()) return;
    if (tag == kContentAdvisoryTag) AppendAdvisory(body, text);
  }
}

}  // namespace tables
