#include "filters/text/TextRecord.h"

#include <algorithm>

#include "common/ByteReader.h"

namespace filters {

namespace {

// A record field up to its terminator, the whole field when it has none.
template <std::size_t N>
std::u16string_view FieldView(const char16_t (&field)[N]) {
  std::size_t length = 0;
  while (length < N && field[length] != u'\0')
    ++length;
  return {field, length};
}

// Appends to a fixed buffer; any write past its end marks the whole record failed.
class RecordWriter {
 public:
  explicit RecordWriter(std::span<std::uint8_t> out) : out_(out) {}

  void Byte(std::uint32_t value) {
    if (pos_ >= out_.size()) {
      failed_ = true;
      return;
    }
    out_[pos_++] = static_cast<std::uint8_t>(value);
  }
  void Header(TextElement type, std::size_t length) {
    Byte(static_cast<std::uint32_t>(type) << 2 | (length >> 8 & 0x3));
    Byte(length & 0xFF);
  }
  void String(TextElement type, std::u16string_view text, std::size_t limit) {
    const std::size_t length = std::min({text.size(), limit, kMaxElementLength});
    Header(type, length);
    for (std::size_t i = 0; i < length; ++i) {
      Byte(text[i] >> 8);
      Byte(text[i] & 0xFF);
    }
  }
  std::size_t Length() const { return failed_ ? 0 : pos_; }

 private:
  std::span<std::uint8_t> out_;
  std::size_t pos_ = 0;
  bool failed_ = false;
};

// A string element's characters into a record field, cut and terminated.
template <std::size_t N>
void ReadString(common::ByteReader& element, std::size_t length, std::size_t limit,
                char16_t (&field)[N]) {
  static_assert(N > 0);
  const std::size_t kept = std::min({length, limit, N - 1});
  for (std::size_t i = 0; i < kept; ++i)
    field[i] = static_cast<char16_t>(element.U16());
  field[kept] = u'\0';
}

}  // namespace

TextRecordFields FieldsOf(const tables::NowPlayingInfo& info) {
  TextRecordFields fields;
  fields.physical = info.physical;
  fields.major = info.major;
  fields.minor = info.minor;
  fields.shortName = FieldView(info.shortName);
  fields.title = FieldView(info.title);
  fields.timeLine = FieldView(info.timeLine);
  fields.reserved = FieldView(info.reserved2);
  fields.description = FieldView(info.description);
  fields.signalQuality = info.signalQuality;
  return fields;
}

std::size_t EncodeTextRecord(const TextRecordFields& fields, std::span<std::uint8_t> out) {
  RecordWriter writer(out);
  writer.String(TextElement::kTitle, fields.title, kWrittenTitleLength);
  writer.String(TextElement::kShortName, fields.shortName, kMaxElementLength);
  writer.String(TextElement::kReserved, fields.reserved, kMaxElementLength);
  writer.String(TextElement::kTimeLine, fields.timeLine, kMaxElementLength);
  writer.String(TextElement::kDescription, fields.description, kWrittenDescriptionLength);
  writer.Header(TextElement::kChannelWide, 5);
  writer.Byte(static_cast<std::uint32_t>(fields.physical) & 0xFF);
  writer.Byte(static_cast<std::uint32_t>(fields.major) >> 8 & 0xFF);
  writer.Byte(static_cast<std::uint32_t>(fields.major) & 0xFF);
  writer.Byte(static_cast<std::uint32_t>(fields.minor) >> 8 & 0xFF);
  writer.Byte(static_cast<std::uint32_t>(fields.minor) & 0xFF);
  // The declared length 4 with one data byte is the stored format; readers
  // take the one byte whatever the length says.
  writer.Header(TextElement::kSignalQuality, 4);
  writer.Byte(fields.signalQuality);
  writer.Byte(static_cast<std::uint32_t>(TextElement::kEnd));
  return writer.Length();
}

bool DecodeTextRecord(std::span<const std::uint8_t> record, tables::NowPlayingInfo* info) {
  common::ByteReader reader(record);
  while (!reader.AtEnd()) {
    const std::uint8_t first = reader.U8();
    const auto type = static_cast<TextElement>(first >> 2);
    if (type == TextElement::kEnd) return true;
    const std::size_t length = static_cast<std::size_t>(first & 0x3) << 8 | reader.U8();
    if (!reader.Ok()) return false;
    // The payload size: fixed for the number elements, the declared length
    // (characters for strings) for the rest.
    std::size_t payload = length;
    switch (type) {
      case TextElement::kChannel:
        payload = 4;
        break;
      case TextElement::kSignalQuality:
        payload = 1;
        break;
      case TextElement::kChannelWide:
        payload = 5;
        break;
      case TextElement::kShortName:
      case TextElement::kTitle:
      case TextElement::kTimeLine:
      case TextElement::kReserved:
      case TextElement::kDescription:
        payload = 2 * length;
        break;
      default:
        break;
    }
    common::ByteReader element = reader.Sub(payload);
    if (!reader.Ok()) return false;
    switch (type) {
      case TextElement::kChannel: {
        const std::uint32_t bits = element.U32();
        info->major = static_cast<std::int32_t>(bits >> 18);
        info->minor = static_cast<std::int32_t>(bits >> 8 & 0x3FF);
        info->physical = static_cast<std::int32_t>(bits & 0xFF);
        break;
      }
      case TextElement::kChannelWide:
        info->physical = element.U8();
        info->major = element.U16();
        info->minor = element.U16();
        break;
      case TextElement::kSignalQuality:
        info->signalQuality = element.U8();
        break;
      case TextElement::kShortName:
        ReadString(element, length, kReadShortNameLength, info->shortName);
        break;
      case TextElement::kTitle:
        ReadString(element, length, kReadTitleLength, info->title);
        break;
      case TextElement::kTimeLine:
        ReadString(element, length, kReadTimeLineLength, info->timeLine);
        break;
      case TextElement::kReserved:
        ReadString(element, length, kReadReservedLength, info->reserved2);
        break;
      case TextElement::kDescription:
        ReadString(element, length, kReadDescriptionLength, info->description);
        break;
      default:
        break;  // unknown: skipped
    }
  }
  return false;
}

}  // namespace filters
