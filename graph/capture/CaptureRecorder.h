// One programme of a capture recorded through the live graph: the capture is
// received as by CaptureReceiver (unpaced, one multiplex), the programme's
// PIDs are mapped on the "Demux" before the run, and the buffer chain behind
// it writes a programme-stream file or a time-shift list. The section poll
// runs once per second of stream time; the channel collection runs until the
// programme's channel exists, which is then watched, so the "Text Source"
// carries its now-playing record.
//
// The graph's reference clock is a StreamClock moved once per second of
// stream, so the sink's chunk rollover and the text source's stamps are
// seconds of the capture however fast the bytes move; the text source's
// sample of each second is delivered on the streaming thread at its stop.
#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "filters/sink/Mpeg2SinkCore.h"
#include "graph/buffer/BufferChain.h"
#include "graph/capture/CaptureReceiver.h"
#include "graph/program/ProgramFinder.h"
#include "tables/guide/GuideStore.h"

namespace graph {

// What a finished recording wrote.
struct RecordingOutcome {
  std::uint64_t seconds = 0;  // of stream recorded
  filters::SinkStats stats;
  std::u16string listPath;             // the sink's list file
  std::vector<std::u16string> chunks;  // a list's live chunks, oldest first
  tables::NowPlayingInfo nowPlaying;   // the text source's last record
};

class CaptureRecorder {
 public:
  CaptureRecorder() = default;
  ~CaptureRecorder();
  CaptureRecorder(const CaptureRecorder&) = delete;
  CaptureRecorder& operator=(const CaptureRecorder&) = delete;

  // Builds the graph of the prepared `receiver` with the buffer chain writing
  // to `target` (its folder made when missing) and maps `streams`. False with
  // the one-line message in `error`.
  bool Build(CaptureReceiver& receiver, const VideoStream& streams,
             const std::filesystem::path& target, std::string* error);

  // Records `seconds` of stream, or without a limit the capture's first pass;
  // `onSecond` is called with the seconds recorded each time one completes.
  // Then stops the graph (the sink ends its file), fills Outcome() and tears
  // the graph down. False (with `error`) when the graph did not run through.
  bool Run(std::optional<std::uint64_t> seconds, const std::function<void(std::uint64_t)>& onSecond,
           std::string* error);

  const RecordingOutcome& Outcome() const { return outcome_; }

 private:
  void TearDown();

  CaptureReceiver* receiver_ = nullptr;
  VideoStream streams_;
  BufferChain chain_;
  // A sink's list kept in the current folder for a file recording, removed
  // afterwards when it was not there before.
  std::optional<std::filesystem::path> strayList_;
  RecordingOutcome outcome_;
};

}  // namespace graph
