// Feeds arbitrary bytes to the demultiplexer with outputs of every kind,
// in chunk sizes, sample sizes and resets chosen by the input's first bytes,
// and checks what comes out against the promises of each content kind.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <span>

#include "demux/TsDemuxer.h"

namespace {

class CheckingSink : public demux::OutputSink {
 public:
  explicit CheckingSink(std::size_t maxSample) : maxSample_(maxSample) {}
  void Deliver(const demux::Sample& sample) override {
    const auto data = sample.data;
    for (const std::uint8_t byte : data)
      sum_ += byte;  // every byte must be readable
    if (sample.pid > demux::kMaxPid) std::abort();
    switch (sample.content) {
      case demux::MediaSampleContent::kTransportPacket:
        if (data.size() != demux::kPacketSize || data[0] != demux::kSyncByte) std::abort();
        break;
      case demux::MediaSampleContent::kMpeg2Psi:
        if (data.size() < 3 || data.size() > demux::kMaxSectionBytes) std::abort();
        if (data.size() != 3 + (static_cast<std::size_t>(data[1] & 0x0F) << 8 | data[2]))
          std::abort();
        if (data[0] == 0xFF) std::abort();
        break;
      case demux::MediaSampleContent::kElementaryStream:
        if (data.empty() || data.size() > maxSample_) std::abort();
        break;
      case demux::MediaSampleContent::kTransportPayload:
        if (data.empty() || data.size() > demux::kPacketSize - 4) std::abort();
        break;
    }
  }

 private:
  std::size_t maxSample_;
  std::uint32_t sum_ = 0;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 4) return 0;
  const std::size_t chunk = 1 + (data[0] | data[1] << 8) % 1024;
  const std::size_t maxSample = 1 + data[2] * 37;
  const std::uint8_t mode = data[3];
  const std::span<const std::uint8_t> stream(data + 4, size - 4);

  demux::TsDemuxer demuxer;
  const demux::OutputConfig unit{demux::EsDelivery::kUnit, maxSample};
  const demux::OutputConfig packet{demux::EsDelivery::kPacket, maxSample};
  CheckingSink es(maxSample), esPacket(maxSample), sections(maxSample), packets(maxSample),
      payload(maxSample);
  demux::OutputId ids[5] = {};
  demuxer.CreateOutput(unit, &es, &ids[0]);
  demuxer.CreateOutput(packet, &esPacket, &ids[1]);
  demuxer.CreateOutput({}, &sections, &ids[2]);
  demuxer.CreateOutput({}, &packets, &ids[3]);
  demuxer.CreateOutput({}, &payload, &ids[4]);
  if (mode & 0x80) demuxer.SetPcrPid(0x31);

  // Map the PIDs of packets that appear at packet boundaries, each with a
  // content chosen from its number, so random input reaches every path.
  for (std::size_t pos = 0, mapped = 0; pos + 3 <= stream.size() && mapped < 24; pos += 188) {
    if (stream[pos] != demux::kSyncByte) continue;
    const std::uint32_t pid = (stream[pos + 1] & 0x1F) << 8 | stream[pos + 2];
    const std::uint32_t one[] = {pid};
    switch (pid % 5) {
      case 0:
        demuxer.MapPids(ids[0], one, demux::MediaSampleContent::kElementaryStream);
        break;
      case 1:
        demuxer.MapPids(ids[1], one, demux::MediaSampleContent::kElementaryStream);
        break;
      case 2:
        demuxer.MapPids(ids[2], one, demux::MediaSampleContent::kMpeg2Psi);
        break;
      case 3:
        demuxer.MapPids(ids[3], one, demux::MediaSampleContent::kTransportPacket);
        break;
      default:
        demuxer.MapPids(ids[4], one, demux::MediaSampleContent::kTransportPayload);
        break;
    }
    ++mapped;
  }

  std::size_t calls = 0;
  for (std::size_t pos = 0; pos < stream.size(); pos += chunk) {
    demuxer.Ingest(stream.subspan(pos, std::min(chunk, stream.size() - pos)));
    ++calls;
    if ((mode & 0x01) && calls % 7 == 0) demuxer.Flush();
    if ((mode & 0x02) && calls % 11 == 0) demuxer.Reset();
    if ((mode & 0x04) && calls % 5 == 0) demuxer.Rebase(static_cast<std::int64_t>(calls) * 1000);
  }
  demuxer.EndOfStream();
  (void)demuxer.Clock();
  (void)demuxer.Input();
  return 0;
}
