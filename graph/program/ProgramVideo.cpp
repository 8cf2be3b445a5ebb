#include "graph/program/ProgramVideo.h"

#include <vector>

#include "demux/TsDemuxer.h"

namespace graph {
namespace {

// Hands the demultiplexer's video units straight on.
class VideoCollector final : public demux::OutputSink {
 public:
  explicit VideoCollector(const VideoUnitCallback& onUnit) : onUnit_(onUnit) {}
  void Deliver(const demux::Sample& sample) override {
    if (sample.content == demux::MediaSampleContent::kMpeg2Psi) return;
    std::optional<std::int64_t> time;
    if (sample.flags & demux::kSampleTimeValid) time = sample.startTime;
    onUnit_(sample.data, time, (sample.flags & demux::kSampleDiscontinuity) != 0);
  }

 private:
  const VideoUnitCallback& onUnit_;
};

}  // namespace

void ReadProgramVideo(ChunkSource& input, std::uint16_t videoPid, const VideoUnitCallback& onUnit) {
  input.Rewind();
  demux::TsDemuxer demuxer;
  VideoCollector collector(onUnit);
  demux::OutputId video = 0;
  demuxer.CreateOutput({}, &collector, &video);
  const std::uint32_t pid = videoPid;
  demuxer.MapPids(video, {&pid, 1}, demux::MediaSampleContent::kElementaryStream);
  std::vector<std::uint8_t> chunk;
  while (input.Read(chunk))
    demuxer.Ingest(chunk);
  demuxer.EndOfStream();
}

}  // namespace graph
