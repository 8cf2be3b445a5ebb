// The programme text record: the now-playing record as the payload of one text
// sample, a series of elements (big-endian) ended by a type-0 byte.
//
// Element header, 2 bytes: type << 2 | bits 9-8 of a 10-bit length, then bits
// 7-0 of the length. Strings count UTF-16 characters (big-endian, no
// terminator). Types:
//   1 channel numbers, 4 bytes: major (14 bits), minor (10 bits), physical (8)
//   2 short name      3 title      5 time line      6 reserved text
//   4 signal quality, 1 byte (the declared length is not used)
//   7 description
//   8 channel numbers, 5 bytes: physical (8 bits), major (16), minor (16)
//   9 and above: unknown, skipped by their length
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>

#include "tables/guide/GuideRecords.h"

namespace filters {

enum class TextElement : std::uint8_t {
  kEnd = 0,
  kChannel = 1,
  kShortName = 2,
  kTitle = 3,
  kSignalQuality = 4,
  kTimeLine = 5,
  kReserved = 6,
  kDescription = 7,
  kChannelWide = 8,
};

// The longest string an element header can declare.
inline constexpr std::size_t kMaxElementLength = 0x3FF;
// What the writer keeps of the title and the description.
inline constexpr std::size_t kWrittenTitleLength = 127;
inline constexpr std::size_t kWrittenDescriptionLength = 1023;
// What the reader keeps of each string (the record's field less its terminator,
// the reserved field only half of it).
inline constexpr std::size_t kReadShortNameLength = 15;
inline constexpr std::size_t kReadTitleLength = 127;
inline constexpr std::size_t kReadTimeLineLength = 63;
inline constexpr std::size_t kReadReservedLength = 31;
inline constexpr std::size_t kReadDescriptionLength = 1023;

// The encoded record's buffer in the text source, and the sample size.
inline constexpr std::size_t kTextBufferSize = 4096;

// The fields one record carries, as the writer takes them.
struct TextRecordFields {
  std::int32_t physical = 0;
  std::int32_t major = 0;
  std::int32_t minor = 0;
  std::u16string_view shortName;
  std::u16string_view title;
  std::u16string_view timeLine;
  std::u16string_view reserved;
  std::u16string_view description;
  std::uint8_t signalQuality = 0;
};

// Views of a now-playing record's strings, each up to its terminator (or the
// whole field when it has none).
TextRecordFields FieldsOf(const tables::NowPlayingInfo& info);

// Writes title (at most 127 characters), short name, reserved text, time line,
// description (at most 1023), channel numbers (type 8), signal quality and the
// end byte into `out`. Other strings are written whole up to the 1023 a header
// can carry. Returns the bytes written, 0 when `out` is too small.
std::size_t EncodeTextRecord(const TextRecordFields& fields, std::span<std::uint8_t> out);

// The largest record EncodeTextRecord makes of a now-playing record.
inline constexpr std::size_t kMaxNowPlayingRecordSize =
    (2 + 2 * kWrittenTitleLength) + (2 + 2 * 16) + (2 + 2 * 64) + (2 + 2 * 64) +
    (2 + 2 * kWrittenDescriptionLength) + (2 + 5) + (2 + 1) + 1;
static_assert(kMaxNowPlayingRecordSize <= kTextBufferSize);

// Reads a record into `info`: each element present sets its field (strings cut
// to the reader's limits and terminated), fields not present keep their values.
// Reading stops at the end byte, at the end of the data, or at an element that
// runs past the end (which is not applied). True when the record ended with its
// end byte and every element fitted.
bool DecodeTextRecord(std::span<const std::uint8_t> record, tables::NowPlayingInfo* info);

}  // namespace filters
