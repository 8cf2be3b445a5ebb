#include "recording/naming/RecordingName.h"

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "common/Utf16.h"

namespace recording {
namespace {

constexpr std::u16string_view kReplaced = u"\"*/:<>?\\|";
constexpr std::size_t kNumberedSuffix = 7;  // " 99.mpg"
constexpr int kMaxNumber = 9999;

std::u16string Ascii(const char* text) {
  std::u16string out;
  for (const char* c = text; *c != 0; ++c)
    out.push_back(static_cast<char16_t>(*c));
  return out;
}

std::filesystem::path PathOf(const std::u16string& name) {
  return std::filesystem::path(common::ToUtf8(name));
}

enum class Create { kCreated, kExists, kFailed };

// Creates `path` empty, failing when it exists.
Create CreateExclusive(const std::filesystem::path& path, std::string* error) {
  std::FILE* file = std::fopen(path.c_str(), "wbx");
  if (file != nullptr) {
    std::fclose(file);
    return Create::kCreated;
  }
  if (errno == EEXIST) return Create::kExists;
  *error = "Can not create \"" + path.string() + "\": " + std::strerror(errno);
  return Create::kFailed;
}

}  // namespace

std::u16string RecordingBase(std::u16string_view folder, std::u16string_view title,
                             const LocalDate& date) {
  char day[16];
  std::snprintf(day, sizeof day, "%04d-%02d-%02d ", date.year % 10000, date.month % 100,
                date.day % 100);
  std::u16string base(folder);
  if (!base.empty() && base.back() != u'/') base.push_back(u'/');
  base += Ascii(day);
  const std::size_t room = base.size() + kNumberedSuffix < kMaxRecordingPath
                               ? kMaxRecordingPath - kNumberedSuffix - base.size()
                               : 0;
  for (char16_t c : title.substr(0, room))
    base.push_back(kReplaced.find(c) == std::u16string_view::npos ? c : u'_');
  return base;
}

std::optional<RecordingFiles> ReserveRecordingFiles(std::u16string_view base,
                                                    bool withTransportStream, std::string* error) {
  for (int number = 1; number <= kMaxNumber; ++number) {
    std::u16string stem(base);
    if (number > 1) {
      char digits[16];
      std::snprintf(digits, sizeof digits, " %2d", number);
      stem += Ascii(digits);
    }
    const std::u16string name = stem + u".mpg";
    if (name.size() > kMaxRecordingPath) break;
    RecordingFiles files{PathOf(name), std::nullopt};
    const Create recording = CreateExclusive(files.recording, error);
    if (recording == Create::kFailed) return std::nullopt;
    if (recording == Create::kExists) continue;
    if (withTransportStream) {
      files.transportStream = PathOf(stem + u".ts");
      const Create ts = CreateExclusive(*files.transportStream, error);
      if (ts != Create::kCreated) {
        // Both names must be free: give the recording's name back.
        std::error_code ignored;
        std::filesystem::remove(files.recording, ignored);
        if (ts == Create::kFailed) return std::nullopt;
        continue;
      }
    }
    return files;
  }
  *error = "No free recording name for \"" + common::ToUtf8(base) + "\"";
  return std::nullopt;
}

}  // namespace recording
