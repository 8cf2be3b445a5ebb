// Throughput of the demultiplexer's whole ingest on a synthetic 38.8 Mbit/s
// terrestrial multiplex (MPEG-2 video and AC-3 audio PES, PAT/PMT and PSIP
// sections, null packets), with video, audio and section outputs feeding sinks
// that only look at the data. The same capture is written to a file and, when
// the ffmpeg tool is installed, remuxed by it to a null output for comparison:
//   ffmpeg -v error -i CAPTURE -map 0 -c copy -f null -
#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <string>

#include <sys/resource.h>

#include "demux/TsDemuxer.h"
#include "tests/demux/SyntheticMux.h"

namespace {

using demux::test::Bytes;

constexpr double kSeconds = 20.0;  // of stream: about 97 MB

const Bytes& Capture() {
  static const Bytes capture = demux::test::SyntheticMux({.seconds = kSeconds});
  return capture;
}

std::string CapturePath() {
  static const std::string path = [] {
    const auto file = std::filesystem::temp_directory_path() / "corvane-demux-bench.ts";
    std::ofstream out(file, std::ios::binary);
    const Bytes& capture = Capture();
    out.write(reinterpret_cast<const char*>(capture.data()),
              static_cast<std::streamsize>(capture.size()));
    return file.string();
  }();
  return path;
}

class TouchSink : public demux::OutputSink {
 public:
  void Deliver(const demux::Sample& sample) override {
    bytes += sample.data.size();
    if (!sample.data.empty()) last ^= sample.data.front() ^ sample.data.back();
    ++samples;
  }
  std::uint64_t bytes = 0, samples = 0;
  std::uint8_t last = 0;
};

// One pass over the capture in chunks of `chunk` bytes (a tuner delivers
// buffers of tens of kilobytes, not whole packets).
void BM_DemuxIngest(benchmark::State& state) {
  const Bytes& capture = Capture();
  const auto chunk = static_cast<std::size_t>(state.range(0));
  for (auto _ : state) {
    demux::TsDemuxer demuxer;
    TouchSink video, audio, sections;
    demux::OutputId v = 0, a = 0, s = 0;
    demuxer.CreateOutput({}, &video, &v);
    demuxer.CreateOutput({}, &audio, &a);
    demuxer.CreateOutput({}, &sections, &s);
    const std::uint32_t vp[] = {0x31}, ap[] = {0x34}, sp[] = {0x00, 0x30, 0x1FFB};
    demuxer.MapPids(v, vp, demux::MediaSampleContent::kElementaryStream);
    demuxer.MapPids(a, ap, demux::MediaSampleContent::kElementaryStream);
    demuxer.MapPids(s, sp, demux::MediaSampleContent::kMpeg2Psi);
    for (std::size_t pos = 0; pos < capture.size(); pos += chunk) {
      demuxer.Ingest({capture.data() + pos, std::min(chunk, capture.size() - pos)});
    }
    demuxer.EndOfStream();
    benchmark::DoNotOptimize(video.last ^ audio.last ^ sections.last);
    state.counters["video_samples"] = static_cast<double>(video.samples);
    state.counters["sections"] = static_cast<double>(sections.samples);
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) *
                          static_cast<std::int64_t>(capture.size()));
}
BENCHMARK(BM_DemuxIngest)->Arg(188)->Arg(65424)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DemuxIngest)->Arg(65424)->UseRealTime()->Unit(benchmark::kMillisecond);

double ChildCpuSeconds() {
  rusage usage{};
  getrusage(RUSAGE_CHILDREN, &usage);
  auto seconds = [](const timeval& t) { return static_cast<double>(t.tv_sec) + t.tv_usec / 1e6; };
  return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

void BM_FfmpegCopy(benchmark::State& state) {
  if (std::system("command -v ffmpeg >/dev/null 2>&1") != 0) {
    state.SkipWithError("ffmpeg not installed");
    return;
  }
  const std::string command =
      "ffmpeg -nostdin -v error -i '" + CapturePath() + "' -map 0 -c copy -f null - 2>/dev/null";
  double childSeconds = 0;
  for (auto _ : state) {
    const double before = ChildCpuSeconds();
    const int status = std::system(command.c_str());
    childSeconds += ChildCpuSeconds() - before;
    if (status != 0) state.SkipWithError("ffmpeg failed");
  }
  const double bytes =
      static_cast<double>(state.iterations()) * static_cast<double>(Capture().size());
  state.SetBytesProcessed(static_cast<std::int64_t>(bytes));
  // The work happens in the child: its own CPU time, for a CPU-to-CPU comparison.
  state.counters["cpu_bytes_per_second"] = childSeconds > 0 ? bytes / childSeconds : 0;
}
BENCHMARK(BM_FfmpegCopy)->Iterations(3)->UseRealTime()->Unit(benchmark::kMillisecond);

// Prints the usual table, then both rates and their ratio.
class RatioReporter : public benchmark::ConsoleReporter {
 public:
  void ReportRuns(const std::vector<Run>& runs) override {
    ConsoleReporter::ReportRuns(runs);
    for (const Run& run : runs) {
      for (const char* name : {"bytes_per_second", "cpu_bytes_per_second"}) {
        const auto it = run.counters.find(name);
        if (it != run.counters.end()) rates[run.benchmark_name() + " " + name] = it->second.value;
      }
    }
  }
  std::map<std::string, double> rates;
};

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  std::printf("capture: %s, %.1f MB (%.0f s of stream)\n", CapturePath().c_str(),
              static_cast<double>(Capture().size()) / 1e6, kSeconds);
  RatioReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  const double oursCpu = reporter.rates["BM_DemuxIngest/65424 bytes_per_second"];
  const double oursWall = reporter.rates["BM_DemuxIngest/65424/real_time bytes_per_second"];
  const std::string ffmpeg = "BM_FfmpegCopy/iterations:3/real_time ";
  const double theirsWall = reporter.rates[ffmpeg + "bytes_per_second"];
  const double theirsCpu = reporter.rates[ffmpeg + "cpu_bytes_per_second"];
  std::printf("demux ingest: %.1f MB/s CPU time, %.1f MB/s wall time (%.0fx a 38.8 Mbit/s mux)\n",
              oursCpu / 1e6, oursWall / 1e6, oursCpu * 8 / 38.785316e6);
  if (theirsWall > 0 && theirsCpu > 0) {
    std::printf("ffmpeg -c copy: %.1f MB/s CPU time, %.1f MB/s wall time\n", theirsCpu / 1e6,
                theirsWall / 1e6);
    std::printf("ratio demux/ffmpeg: %.1f (CPU), %.1f (wall)\n", oursCpu / theirsCpu,
                oursWall / theirsWall);
  }
  benchmark::Shutdown();
  return 0;
}
