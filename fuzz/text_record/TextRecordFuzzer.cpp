// Decodes any bytes as a programme text record (as the text renderer does with
// the samples of a recording), then checks that every string field stayed
// terminated within its reader limit and that the decoded record survives an
// encode and a second decode unchanged.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>
#include <vector>

#include "filters/text/TextRecord.h"

namespace {

// A field up to its terminator (a record's string may hold a zero of its own).
template <std::size_t N>
std::u16string_view View(const char16_t (&field)[N]) {
  std::size_t length = 0;
  while (length < N && field[length] != u'\0')
    ++length;
  return {field, length};
}

template <std::size_t N>
void CheckField(const char16_t (&field)[N], std::size_t limit) {
  if (View(field).size() > limit) std::abort();
}

bool SameRecord(const tables::NowPlayingInfo& a, const tables::NowPlayingInfo& b) {
  auto same = [](const auto& x, const auto& y) { return View(x) == View(y); };
  return a.physical == b.physical && a.major == b.major && a.minor == b.minor &&
         a.signalQuality == b.signalQuality && same(a.shortName, b.shortName) &&
         same(a.title, b.title) && same(a.timeLine, b.timeLine) && same(a.reserved2, b.reserved2) &&
         same(a.description, b.description);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  tables::NowPlayingInfo info;
  filters::DecodeTextRecord({data, size}, &info);
  CheckField(info.shortName, filters::kReadShortNameLength);
  CheckField(info.title, filters::kReadTitleLength);
  CheckField(info.timeLine, filters::kReadTimeLineLength);
  CheckField(info.reserved2, filters::kReadReservedLength);
  CheckField(info.description, filters::kReadDescriptionLength);

  // Numbers wider than the record's fields are cut by the writer; keep them
  // in range so the comparison holds.
  info.major &= 0xFFFF;
  info.minor &= 0xFFFF;
  info.physical &= 0xFF;
  std::vector<std::uint8_t> record(filters::kTextBufferSize);
  record.resize(filters::EncodeTextRecord(filters::FieldsOf(info), record));
  if (record.empty()) std::abort();
  tables::NowPlayingInfo again;
  if (!filters::DecodeTextRecord(record, &again) || !SameRecord(info, again)) std::abort();
  return 0;
}
