// Throughput of the caption extractor on MPEG-2 video from libavcodec's
// mpeg2video encoder: standard-definition 720x480, 8 Mbit/s, groups of 15
// with 2 B frames, captions in every picture.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <span>
#include <vector>

#include "capsift/CPictureAssembler.h"
#include "tests/capsift/Mpeg2Encode.h"

namespace {

struct CountingSink final : capsift::ICaptionSink {
  void EmitCaptionUnit(std::span<const std::uint8_t> bytes, std::int64_t startTime) override {
    units += 1;
    benchmark::DoNotOptimize(bytes.data());
    benchmark::DoNotOptimize(startTime);
  }
  std::uint64_t units = 0;
};

const std::vector<capsift::test::EncodedPacket>& Packets() {
  static const auto packets = [] {
    capsift::test::EncodeOptions options;
    options.width = 720;
    options.height = 480;
    options.frames = 60;
    options.bitRate = 8'000'000;
    options.constructs = [](int n) {
      return std::vector<std::uint8_t>{
          0xFC, static_cast<std::uint8_t>(0xC1 + n % 26), 0x80, 0xFC, 0x80, 0x80};
    };
    return capsift::test::EncodeMpeg2(options);
  }();
  return packets;
}

std::vector<std::uint8_t> Stream() {
  std::vector<std::uint8_t> stream;
  for (const auto& p : Packets())
    stream.insert(stream.end(), p.data.begin(), p.data.end());
  return stream;
}

// One input sample per coded picture, with its start time, as the filter
// receives frame-sized samples.
void BM_PushPictureSamples(benchmark::State& state) {
  const auto& packets = Packets();
  std::int64_t bytes = 0;
  for (const auto& p : packets)
    bytes += static_cast<std::int64_t>(p.data.size());
  CountingSink sink;
  capsift::CPictureAssembler assembler(&sink);
  for (auto _ : state) {
    for (const auto& p : packets) {
      assembler.SetInputStartTime(p.startTime);
      assembler.Push(p.data);
    }
  }
  state.SetBytesProcessed(state.iterations() * bytes);
  state.counters["units"] =
      benchmark::Counter(static_cast<double>(sink.units), benchmark::Counter::kAvgIterations);
}
BENCHMARK(BM_PushPictureSamples);

// Samples of a given size (184 = the payload of one transport packet).
void BM_PushSamplesOfSize(benchmark::State& state) {
  const auto stream = Stream();
  const auto size = static_cast<std::size_t>(state.range(0));
  CountingSink sink;
  capsift::CPictureAssembler assembler(&sink);
  for (auto _ : state) {
    for (std::size_t at = 0; at < stream.size(); at += size) {
      assembler.Push(std::span(stream).subspan(at, std::min(size, stream.size() - at)));
    }
  }
  state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(stream.size()));
}
BENCHMARK(BM_PushSamplesOfSize)->Arg(184)->Arg(2048)->Arg(65536);

// The literal one-byte-at-a-time scanner, for comparison.
void BM_PushByteByByte(benchmark::State& state) {
  const auto stream = Stream();
  CountingSink sink;
  capsift::CPictureAssembler assembler(&sink);
  for (auto _ : state) {
    for (std::uint8_t b : stream)
      assembler.PushByte(b);
  }
  state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(stream.size()));
}
BENCHMARK(BM_PushByteByByte);

}  // namespace

BENCHMARK_MAIN();
