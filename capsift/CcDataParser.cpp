#include "capsift/CcDataParser.h"

#include <cstddef>
#include <cstdint>

namespace capsift {
namespace {

constexpr std::uint32_t kGa94 = 0x47413934;  // "GA94"
constexpr std::uint32_t kCcDataTypeCode = 0x03;
constexpr std::uint32_t kProcessCcDataFlag = 0x40;
constexpr std::uint32_t kCcCountMask = 0x1F;

void ParseConstructs(common::ByteReader& reader, CaptionAccumulator& accumulator) {
  if (reader.PeekBits(32) != kGa94) return;
  reader.SkipBits(32);
  if (reader.PeekBits(8) != kCcDataTypeCode) return;
  reader.SkipBits(8);
  const std::uint32_t flags = reader.PeekBits(8);
  const std::uint32_t ccCount = flags & kCcCountMask;
  if ((flags & kProcessCcDataFlag) == 0 || ccCount == 0) return;
  reader.SkipBits(16);  // flags and em_data
  // A construct is read only where the user data really holds it: a cc_count
  // larger than the data (a truncated or damaged structure) must not turn the
  // following start code and slice bytes into caption pairs.
  std::size_t available = reader.BytesToNextStartCode() / 3;
  for (std::uint32_t i = 0; i < ccCount && available > 0; ++i, --available) {
    const auto construct = static_cast<std::uint32_t>(reader.Bits(24));
    const bool ccValid = (construct & 0x040000) != 0;
    const std::uint32_t ccType = (construct >> 16) & 0x03;
    const auto first = static_cast<std::uint8_t>(construct >> 8);
    const auto second = static_cast<std::uint8_t>(construct);
    if (ccValid && ccType == 0 && !(first == 0x80 && second == 0x80)) {
      accumulator.AddPair(first, second);
    }
  }
  // The marker byte and anything after it are not examined.
}

}  // namespace

void ParseCcData(common::ByteReader& reader, CaptionAccumulator& accumulator) {
  ParseConstructs(reader, accumulator);
  reader.NextStartCode();
}

}  // namespace capsift
