#include "tools/cli/play/PlayRun.h"

#include <cstdlib>
#include <filesystem>
#include <mutex>
#include <optional>
#include <vector>

#include "common/Utf16.h"
#include "graph/player/RecordingReader.h"
#include "platform/com/HResult.h"
#include "tools/cli/play/Decoding.h"

namespace cli {
namespace {

struct Options {
  std::filesystem::path file;
  std::optional<double> seek;
  std::optional<double> rate;
  bool decode = false;
  bool captions = false;
  std::filesystem::path frames;
};

std::optional<double> ParseNumber(const std::string& text) {
  char* end = nullptr;
  const double value = std::strtod(text.c_str(), &end);
  if (text.empty() || end != text.c_str() + text.size()) return std::nullopt;
  return value;
}

int ParseOptions(std::span<const std::string> args, Options& o, std::FILE* err) {
  bool ok = true;
  for (std::size_t i = 0; i < args.size() && ok; ++i) {
    const std::string& a = args[i];
    const bool hasValue = i + 1 < args.size();
    if (a == "--seek" && hasValue) {
      o.seek = ParseNumber(args[++i]);
      ok = o.seek.has_value() && *o.seek >= 0;
    } else if (a == "--rate" && hasValue) {
      o.rate = ParseNumber(args[++i]);
      ok = o.rate.has_value();
    } else if (a == "--decode") {
      o.decode = true;
    } else if (a == "--captions") {
      o.captions = true;
    } else if (a == "--frames" && hasValue) {
      o.frames = args[++i];
    } else if (!a.starts_with("--") && o.file.empty()) {
      o.file = a;
    } else {
      ok = false;
    }
  }
  if (!ok || o.file.empty() || (!o.decode && (o.captions || !o.frames.empty()))) {
    std::fprintf(err, "usage: corvane-cli play %s\n", kPlayUsage);
    return 2;
  }
  return 0;
}

int Fail(std::FILE* err, const std::string& message) {
  std::fprintf(err, "corvane-cli: %s\n", message.c_str());
  return 1;
}

double Seconds(REFERENCE_TIME time) {
  return static_cast<double>(time) / 10'000'000.0;
}

// The text records the text stream carried, each once, in order of arrival.
class TextLog {
 public:
  void Add(const tables::NowPlayingInfo* info) {
    if (info == nullptr) {
      std::lock_guard lock(mutex_);
      ++undecodable_;
      return;
    }
    std::string line = common::ToUtf8(common::FieldView(info->shortName));
    const std::string title = common::ToUtf8(common::FieldView(info->title));
    const std::string timeLine = common::ToUtf8(common::FieldView(info->timeLine));
    if (!title.empty()) line += (line.empty() ? "" : ": ") + title;
    if (!timeLine.empty()) line += " (" + timeLine + ")";
    if (line.empty()) line = "(no programme information)";
    std::lock_guard lock(mutex_);
    if (lines_.empty() || lines_.back() != line) lines_.push_back(line);
  }

  void Print(std::FILE* out) {
    std::lock_guard lock(mutex_);
    for (const std::string& line : lines_)
      std::fprintf(out, "text: %s\n", line.c_str());
    if (undecodable_ > 0) std::fprintf(out, "text: %llu samples not readable\n", undecodable_);
  }

 private:
  std::mutex mutex_;
  std::vector<std::string> lines_;
  unsigned long long undecodable_ = 0;
};

// The real player over the file, without a clock, until the end of the file
// or, for a list, until nothing more arrives.
int RunDecoded(const Options& o, std::FILE* out, std::FILE* err) {
  graph::VideoWindowState window;
  std::optional<SecondSnapshots> snapshots;
  if (!o.frames.empty()) {
    std::error_code ec;
    std::filesystem::create_directories(o.frames, ec);
    if (!std::filesystem::is_directory(o.frames, ec))
      return Fail(err, "cannot create \"" + o.frames.string() + "\"");
    snapshots.emplace(o.frames, window);
  }
  graph::PlayerGraph player(window);
  player.SetOptions(HeadlessPlayerOptions({}, {}, false, o.captions));
  CaptionLines captions(out);
  const std::u16string path = common::FromUtf8(o.file.string());
  const bool list = o.file.extension() == ".lst";
  HRESULT hr = S_OK;
  if (list) {
    hr = player.Build(graph::PlayerState::kPlayerTimeShift, nullptr, path);
  } else {
    player.SetPlaybackFile(path);
    hr = player.Build(graph::PlayerState::kPlayerFile, nullptr, u"");
  }
  if (FAILED(hr))
    return Fail(err, "cannot play \"" + o.file.string() + "\": " + com::ResultName(hr));
  if (o.rate && FAILED(hr = player.SetRate(*o.rate)))
    return Fail(err, "rate refused: " + com::ResultName(hr));
  graph::PlayerPosition position;
  player.GetPosition(&position);
  // A list plays from its start too, unless told where.
  hr = o.seek ? player.SeekTo(position.earliest + static_cast<LONGLONG>(*o.seek * 10'000'000.0))
              : player.SeekToFraction(0, 1);
  if (FAILED(hr)) return Fail(err, "cannot seek: " + com::ResultName(hr));
  if (o.captions && !captions.Watch(player)) return Fail(err, "no caption path: no captions");
  if (FAILED(hr = player.Run())) return Fail(err, "cannot run: " + com::ResultName(hr));
  const bool ended = WaitForEnd(player);
  player.Stop();
  PrintDecoding(out, player);
  if (snapshots) std::fprintf(out, "frames: %d pictures saved\n", snapshots->Saved());
  std::fprintf(out, "%s\n", ended ? "end of stream" : "no more data (live edge)");
  player.TearDown();
  return 0;
}

}  // namespace

int RunPlay(std::span<const std::string> args, std::FILE* out, std::FILE* err) {
  Options o;
  if (const int code = ParseOptions(args, o, err)) return code;
  std::error_code ec;
  if (!std::filesystem::is_regular_file(o.file, ec))
    return Fail(err, "no file \"" + o.file.string() + "\"");

  if (o.decode) return RunDecoded(o, out, err);

  TextLog texts;
  graph::RecordingReader reader;
  std::string error;
  if (!reader.Build(
          o.file, [&texts](const tables::NowPlayingInfo* info) { texts.Add(info); }, &error)) {
    return Fail(err, error);
  }
  if (o.rate && !reader.SetRate(*o.rate, &error)) return Fail(err, error);
  if (o.seek && !reader.Seek(*o.seek, &error)) return Fail(err, error);
  graph::ReadReport report;
  if (!reader.Read(report, &error)) return Fail(err, error);

  for (const graph::StreamReport& s : report.streams) {
    std::fprintf(out, "%s: %llu samples, %llu bytes", s.name,
                 static_cast<unsigned long long>(s.stats.samples),
                 static_cast<unsigned long long>(s.stats.bytes));
    if (s.stats.timedSamples > 0) {
      std::fprintf(out, ", %.3f s to %.3f s", Seconds(s.stats.firstStart),
                   Seconds(s.stats.lastStart));
    }
    std::fprintf(out, "\n");
  }
  texts.Print(out);
  if (report.available) {
    std::fprintf(out, "available: %.3f s to %.3f s\n", Seconds((*report.available)[0]),
                 Seconds((*report.available)[1]));
  }
  std::fprintf(out, "%s\n", report.ended ? "end of stream" : "no more data (live edge)");
  return 0;
}

}  // namespace cli
