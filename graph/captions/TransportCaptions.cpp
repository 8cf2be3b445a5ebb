#include "graph/captions/TransportCaptions.h"

#include <optional>
#include <vector>

#include "demux/TsDemuxer.h"

namespace graph {
namespace {

// Feeds the demultiplexer's video units straight on.
class VideoCollector final : public demux::OutputSink {
 public:
  explicit VideoCollector(CaptionFeeder& feeder) : feeder_(feeder) {}
  void Deliver(const demux::Sample& sample) override {
    if (sample.content == demux::MediaSampleContent::Mpeg2Psi) return;
    std::optional<std::int64_t> time;
    if (sample.flags & demux::kSampleTimeValid) time = sample.startTime;
    feeder_.Sample(sample.data, time, (sample.flags & demux::kSampleDiscontinuity) != 0);
  }

 private:
  CaptionFeeder& feeder_;
};

}  // namespace

void FeedTransportVideo(ChunkSource& input, std::uint16_t videoPid, CaptionFeeder& feeder) {
  input.Rewind();
  demux::TsDemuxer demuxer;
  VideoCollector collector(feeder);
  demux::OutputId video = 0;
  demuxer.CreateOutput({}, &collector, &video);
  const std::uint32_t pid = videoPid;
  demuxer.MapPids(video, {&pid, 1}, demux::MediaSampleContent::ElementaryStream);
  std::vector<std::uint8_t> chunk;
  while (input.Read(chunk))
    demuxer.Ingest(chunk);
  demuxer.EndOfStream();
}

}  // namespace graph
