#include "tools/cli/remux/RemuxRun.h"

#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <optional>

#include "common/Utf16.h"
#include "graph/capture/CaptureRecorder.h"
#include "graph/program/ProgramFinder.h"
#include "tools/cli/psip/TuningText.h"
#include "tuning/ChannelText.h"

namespace cli {
namespace {

struct Options {
  std::filesystem::path capture;
  std::string program;
  std::filesystem::path out;
  std::filesystem::path buffer;
  std::string seconds;
  // Where the capture is put on the air; only the channel records the
  // collection makes depend on it.
  cli::TuningText tuning;
};

int ParseOptions(std::span<const std::string> args, Options& o, std::FILE* err) {
  bool ok = true;
  for (std::size_t i = 0; i < args.size() && ok; ++i) {
    const std::string& a = args[i];
    const bool hasValue = i + 1 < args.size();
    if (a == "--program" && hasValue) {
      o.program = args[++i];
    } else if (a == "--out" && hasValue) {
      o.out = args[++i];
    } else if (a == "--buffer" && hasValue) {
      o.buffer = args[++i];
    } else if (a == "--seconds" && hasValue) {
      o.seconds = args[++i];
    } else if (a == "--map" && hasValue) {
      o.tuning.map = args[++i];
    } else if (a == "--physical" && hasValue) {
      o.tuning.physical = args[++i];
    } else if (a == "--modulation" && hasValue) {
      o.tuning.modulation = args[++i];
    } else if (!a.starts_with("--") && o.capture.empty()) {
      o.capture = a;
    } else {
      ok = false;
    }
  }
  if (!ok || o.capture.empty() || o.program.empty() || o.out.empty() == o.buffer.empty()) {
    std::fprintf(err, "usage: corvane-cli remux %s\n", kRemuxUsage);
    return 2;
  }
  return 0;
}

int Fail(std::FILE* err, const std::string& message) {
  std::fprintf(err, "corvane-cli: %s\n", message.c_str());
  return 1;
}

void PrintResult(std::FILE* out, const graph::RecordingOutcome& outcome,
                 const std::filesystem::path& target, const graph::VideoStream& streams) {
  std::fprintf(out, "programme %u: video PID 0x%04X, audio PID ", streams.programNumber,
               streams.pid);
  if (streams.audioPid >= 0) {
    std::fprintf(out, "0x%04X", static_cast<unsigned>(streams.audioPid));
  } else {
    std::fprintf(out, "none");
  }
  std::fprintf(out, ", %llu s of stream\n", static_cast<unsigned long long>(outcome.seconds));
  std::fprintf(out, "packs written: %llu, lost: %llu\n",
               static_cast<unsigned long long>(outcome.stats.packsWritten),
               static_cast<unsigned long long>(outcome.stats.packsLost));
  if (target.extension() != ".lst") {
    std::fprintf(out, "file: %s\n", target.string().c_str());
  } else {
    std::fprintf(out, "list: %s\n", common::ToUtf8(outcome.listPath).c_str());
    for (const std::u16string& chunk : outcome.chunks)
      std::fprintf(out, "chunk: %s\n", common::ToUtf8(chunk).c_str());
  }
  const std::string title = common::ToUtf8(common::FieldView(outcome.nowPlaying.title));
  if (!title.empty()) std::fprintf(out, "now playing: %s\n", title.c_str());
}

}  // namespace

int RunRemux(std::span<const std::string> args, std::FILE* out, std::FILE* err) {
  Options o;
  if (const int code = ParseOptions(args, o, err)) return code;

  const auto programNumber = tuning::ParseDecimal(o.program);
  if (!programNumber || *programNumber < 1 || *programNumber > 0xFFFF)
    return Fail(err, "programme number \"" + o.program + "\" is not 1-65535");
  std::optional<int> seconds;
  if (!o.seconds.empty()) {
    seconds = tuning::ParseDecimal(o.seconds);
    if (!seconds || *seconds < 1) return Fail(err, "--seconds wants a whole number of seconds");
  }
  graph::CaptureReceiver receiver;
  std::string error;
  if (!cli::PrepareCapture(receiver, o.capture, o.tuning, &error)) return Fail(err, error);

  // The programme's PIDs, known before the tune as the program knows a
  // channel's from its record.
  graph::VideoStream streams;
  {
    std::ifstream in(o.capture, std::ios::binary);
    graph::FileChunks chunks(in);
    switch (graph::FindVideoStream(chunks, static_cast<unsigned>(*programNumber), streams)) {
      case graph::FindVideoResult::kFound:
        break;
      case graph::FindVideoResult::kProgramNotInPat:
        return Fail(err, "programme " + o.program + " is not in the capture's PAT");
      case graph::FindVideoResult::kNotFound:
        return Fail(err, "programme " + o.program + " has no MPEG-2 video in the capture");
    }
  }

  const std::filesystem::path target = o.out.empty() ? o.buffer : o.out;
  graph::CaptureRecorder recorder;
  if (!recorder.Build(receiver, streams, target, &error)) return Fail(err, error);
  // Seconds recorded so far, on a terminal only.
  const bool progress = isatty(fileno(err)) != 0;
  std::optional<std::uint64_t> limit;
  if (seconds) limit = static_cast<std::uint64_t>(*seconds);
  const bool ran = recorder.Run(
      limit,
      [&](std::uint64_t recorded) {
        if (!progress) return;
        std::fprintf(err, "\rrecording: %llu s", static_cast<unsigned long long>(recorded));
        std::fflush(err);
      },
      &error);
  if (progress) std::fprintf(err, "\n");
  if (!ran) return Fail(err, error);
  const graph::RecordingOutcome& outcome = recorder.Outcome();
  PrintResult(out, outcome, target, streams);
  if (outcome.stats.packsLost > 0)
    return Fail(
        err, std::to_string(outcome.stats.packsLost) + " packs could not be written (disk full?)");
  return 0;
}

}  // namespace cli
