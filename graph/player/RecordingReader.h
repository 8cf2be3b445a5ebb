// A recording file or time-shift list read back through the "MPEG-2 Source"
// into renderers that show nothing, one per source pin (video, audio, text),
// with no clock, so the streams are read as fast as the source delivers them.
// The text stream's records are decoded and handed to a callback as they
// arrive.
#pragma once

#include <array>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>

#include "filters/source/Mpeg2Source.h"
#include "platform/av/NullRenderer.h"
#include "platform/media/Interfaces.h"
#include "tables/poll/GraphTables.h"

namespace graph {

// What one stream carried.
struct StreamReport {
  const char* name = "";  // "video", "audio" or "text"
  av::CNullRenderer::Stats stats;
};

struct ReadReport {
  std::array<StreamReport, 3> streams;  // in the source's pin order
  // The range the source says is available, in 100 ns units.
  std::optional<std::array<LONGLONG, 2>> available;
  bool ended = false;  // every stream ended; else nothing more arrived (a list's live edge)
};

class RecordingReader {
 public:
  // Called on a streaming thread for each text sample: its record, or null
  // when the sample is not a readable text record.
  using TextCallback = std::function<void(const tables::NowPlayingInfo*)>;

  RecordingReader() = default;
  ~RecordingReader();
  RecordingReader(const RecordingReader&) = delete;
  RecordingReader& operator=(const RecordingReader&) = delete;

  // Builds the graph: the source loading `file` and the three renderers.
  // False with the one-line message in `error`.
  bool Build(const std::filesystem::path& file, TextCallback onText, std::string* error);
  bool SetRate(double rate, std::string* error);
  bool Seek(double seconds, std::string* error);

  // Runs the graph until every stream has ended or nothing more arrives for a
  // while, then stops it. False with `error` when it does not run.
  bool Read(ReadReport& report, std::string* error);

 private:
  void TearDown();

  ComPtr<IFilterGraph2> graph_;
  ComPtr<filters::CMPEG2Source> source_;
  std::array<ComPtr<av::CNullRenderer>, 3> renderers_;
  ComPtr<IMediaSeeking> seeking_;
  TextCallback onText_;
};

}  // namespace graph
