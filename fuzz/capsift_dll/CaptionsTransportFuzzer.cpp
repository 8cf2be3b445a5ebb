// The captions command's pass over a transport stream, on any bytes: the
// programme finder's search of the PAT and PMTs for a video stream, the
// demultiplexer's video units of that PID fed to the caption extractor
// exactly as the command feeds it, and every caption unit it emits shown as
// pairs and as text.
//
// Input: one byte choosing the programme (0: the first with MPEG-2 video,
// else a programme number taken from the next two bytes), then the stream.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>

#include "capsift/CaptionFeeder.h"
#include "capsift/dll/Cea608Text.h"
#include "graph/program/ProgramFinder.h"
#include "graph/program/ProgramVideo.h"

namespace {

class TextSink final : public capsift::ICaptionSink {
 public:
  void EmitCaptionUnit(std::span<const std::uint8_t> bytes, std::int64_t) override {
    // One unit is 1 to 128 whole pairs.
    if (bytes.size() < 2 || bytes.size() > 256 || bytes.size() % 2 != 0) __builtin_trap();
    text_.Decode(bytes);
    capsift::FormatPairs(bytes);
  }

 private:
  capsift::Cea608Text text_;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 3) return 0;
  std::optional<unsigned> program;
  if (data[0] != 0) program = static_cast<unsigned>(data[1] << 8 | data[2]);
  graph::MemoryChunks input(std::span<const std::uint8_t>(data + 3, size - 3));

  graph::VideoStream video;
  if (graph::FindVideoStream(input, program, video) != graph::FindVideoResult::kFound) return 0;
  // One extractor for the whole run (its 8 MiB buffer is made once), reset
  // at the start of each input as at a discontinuity: what a reset keeps
  // (field parity, frame records) meets the next input, as in the filter.
  static TextSink sink;
  static capsift::CaptionFeeder feeder(&sink);
  feeder.Sample({}, std::nullopt, true);
  graph::ReadProgramVideo(input, video.pid,
                          [](std::span<const std::uint8_t> bytes, std::optional<std::int64_t> time,
                             bool discontinuity) { feeder.Sample(bytes, time, discontinuity); });
  return 0;
}
