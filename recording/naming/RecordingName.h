// Recording file names: the date, the title with the characters a file name
// cannot hold replaced, and a number when the name is taken. A name is taken
// by creating its file, so two recorders (two tuners, two instances) never
// write into one file, and a recording is never overwritten.
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace recording {

struct LocalDate {
  int year = 0;
  int month = 0;  // 1-12
  int day = 0;    // 1-31
};

// The longest name the sink takes, in UTF-16 units without the terminator.
inline constexpr std::size_t kMaxRecordingPath = 259;

// folder + "/" + "YYYY-MM-DD " + the title with " * / : < > ? \ | replaced by
// "_". The title is cut so that the base with " 99.mpg" still fits.
std::u16string RecordingBase(std::u16string_view folder, std::u16string_view title,
                             const LocalDate& date);

// The programme-stream recording and, when asked for, its transport-stream
// companion ("<name>.ts").
struct RecordingFiles {
  std::filesystem::path recording;
  std::optional<std::filesystem::path> transportStream;
};

// Takes the first free name: base + ".mpg", then base + " %2d.mpg" for 2, 3,
// ... whose recording (and companion) does not exist, and creates the files
// empty, exclusively. Nothing when no name up to the sink's length limit is
// free or a file cannot be created (`error` says which).
std::optional<RecordingFiles> ReserveRecordingFiles(std::u16string_view base,
                                                    bool withTransportStream, std::string* error);

}  // namespace recording
