// Recording one programme: the sink's packetising and writing of the video and
// AC-3 streams of a capture of the sample broadcast (the one-channel multiplex
// KFIV), demultiplexed beforehand into 4096-byte samples as the "Demux" filter
// delivers them, against FFmpeg remuxing the same capture to a VOB:
//   ffmpeg -v error -i CAPTURE -map 0:v -map 0:a -c copy -f vob -y /dev/null
// Ours is measured on one core with the file writes discarded; FFmpeg's time
// includes reading and demultiplexing the transport stream, which ours leaves
// to the demultiplexer (bench/demux measures that part).
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include <sys/resource.h>

#include "demux/TsDemuxer.h"
#include "filters/sink/Mpeg2SinkCore.h"
#include "tools/broadcast/CaptureWriter.h"

namespace {

constexpr double kSeconds = 20.0;  // of stream

using filters::PinType;

struct Recorded {
  PinType pin;
  std::vector<std::uint8_t> data;
  bool timed;
  std::int64_t start;
};

struct Capture {
  std::string path;
  std::uint64_t bytes = 0;
  std::vector<Recorded> samples;  // video and audio in arrival order
  std::uint64_t esBytes = 0;
};

class Collect : public demux::OutputSink {
 public:
  Collect(Capture& capture, PinType pin) : capture_(capture), pin_(pin) {}
  void Deliver(const demux::Sample& s) override {
    const bool timed = (s.flags & demux::kSampleTimeValid) != 0;
    capture_.samples.push_back({pin_, {s.data.begin(), s.data.end()}, timed, s.startTime});
    capture_.esBytes += s.data.size();
  }

 private:
  Capture& capture_;
  PinType pin_;
};

const Capture& TheCapture() {
  static const Capture capture = [] {
    Capture c;
    const broadcast::BroadcastDescription sample = broadcast::SampleBroadcast();
    const broadcast::MultiplexDescription& mux = sample.multiplexes.at(1);
    const auto file = std::filesystem::temp_directory_path() / "corvane-sink-bench.ts";
    std::string error;
    if (!broadcast::WriteCapture(mux, kSeconds, file, broadcast::MultiplexOptions{}, error)) {
      std::fprintf(stderr, "capture failed: %s\n", error.c_str());
      std::exit(1);
    }
    c.path = file.string();
    c.bytes = std::filesystem::file_size(file);

    std::vector<std::uint8_t> ts(c.bytes);
    if (FILE* f = std::fopen(c.path.c_str(), "rb")) {
      ts.resize(std::fread(ts.data(), 1, ts.size(), f));
      std::fclose(f);
    }
    demux::TsDemuxer demuxer;
    Collect video(c, PinType::kVideo), audio(c, PinType::kAudio);
    demux::OutputConfig config;
    config.maxSampleBytes = filters::kInputBufferSize;
    demux::OutputId v = 0, a = 0;
    demuxer.CreateOutput(config, &video, &v);
    demuxer.CreateOutput(config, &audio, &a);
    const std::uint32_t vp[] = {mux.channels.at(0).videoPid};
    const std::uint32_t ap[] = {mux.channels.at(0).audioPid};
    demuxer.MapPids(v, vp, demux::MediaSampleContent::kElementaryStream);
    demuxer.MapPids(a, ap, demux::MediaSampleContent::kElementaryStream);
    for (std::size_t pos = 0; pos < ts.size(); pos += 65424)
      demuxer.Ingest({ts.data() + pos, std::min<std::size_t>(65424, ts.size() - pos)});
    demuxer.EndOfStream();
    return c;
  }();
  return capture;
}

// Discards writes.
class NullFileSystem final : public filters::FileSystem {
 public:
  std::unique_ptr<filters::WriteFile> Create(const std::u16string&) override {
    return std::make_unique<Null>();
  }
  std::unique_ptr<filters::ReadFile> Open(const std::u16string&) override { return nullptr; }
  bool Remove(const std::u16string&) override { return true; }
  bool Replace(const std::u16string&, std::span<const std::uint8_t>) override { return true; }

 private:
  struct Null final : filters::WriteFile {
    bool Write(std::span<const std::uint8_t> bytes) override {
      benchmark::DoNotOptimize(bytes.data());
      return true;
    }
    bool Truncate(std::uint64_t) override { return true; }
    bool Close() override { return true; }
  };
};

// One whole recording of the capture's programme per iteration.
void BM_SinkRecordProgramme(benchmark::State& state) {
  const Capture& capture = TheCapture();
  NullFileSystem fs;
  std::uint64_t packs = 0;
  for (auto _ : state) {
    filters::Mpeg2SinkCore sink(fs);
    filters::FilterClock clock{true, 0};
    sink.SetFileName(u"/bench/recording.mpg", clock);
    for (const Recorded& r : capture.samples) {
      filters::InputSample in;
      in.data = r.data;
      in.timed = r.timed;
      in.start = r.start;
      in.stop = r.start + 1;
      if (r.timed) clock.streamTime = r.start;
      sink.Receive(r.pin, in, clock);
    }
    sink.Stop();
    packs = sink.Stats().packsWritten;
  }
  state.counters["packs"] = static_cast<double>(packs);
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * capture.esBytes));
}
BENCHMARK(BM_SinkRecordProgramme)->Unit(benchmark::kMillisecond);

double ChildCpuSeconds() {
  rusage usage{};
  getrusage(RUSAGE_CHILDREN, &usage);
  auto seconds = [](const timeval& t) { return static_cast<double>(t.tv_sec) + t.tv_usec / 1e6; };
  return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

void BM_FfmpegVob(benchmark::State& state) {
  if (std::system("command -v ffmpeg >/dev/null 2>&1") != 0) {
    state.SkipWithError("ffmpeg not installed");
    return;
  }
  const std::string command = "ffmpeg -nostdin -v error -i '" + TheCapture().path +
                              "' -map 0:v -map 0:a -c copy -f vob -y /dev/null 2>/dev/null";
  double childSeconds = 0;
  for (auto _ : state) {
    const double before = ChildCpuSeconds();
    const int status = std::system(command.c_str());
    childSeconds += ChildCpuSeconds() - before;
    if (status != 0) state.SkipWithError("ffmpeg failed");
  }
  state.counters["cpu_ms"] = childSeconds * 1e3 / static_cast<double>(state.iterations());
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * TheCapture().esBytes));
}
BENCHMARK(BM_FfmpegVob)->Iterations(3)->UseRealTime()->Unit(benchmark::kMillisecond);

// Prints the usual table, then the two times side by side.
class SideBySide : public benchmark::ConsoleReporter {
 public:
  void ReportRuns(const std::vector<Run>& runs) override {
    ConsoleReporter::ReportRuns(runs);
    for (const Run& run : runs) {
      ms[run.benchmark_name()] = run.GetAdjustedRealTime();
      cpuMs[run.benchmark_name()] = run.GetAdjustedCPUTime();
      if (auto it = run.counters.find("cpu_ms"); it != run.counters.end())
        cpuMs[run.benchmark_name()] = it->second.value;
    }
  }
  std::map<std::string, double> ms, cpuMs;
};

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  const Capture& capture = TheCapture();
  std::printf("capture: %s, %.1f MB TS, %.0f s; programme: %.1f MB ES in %zu samples\n",
              capture.path.c_str(), static_cast<double>(capture.bytes) / 1e6, kSeconds,
              static_cast<double>(capture.esBytes) / 1e6, capture.samples.size());
  SideBySide reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  const double ours = reporter.cpuMs["BM_SinkRecordProgramme"];
  const std::string ffmpeg = "BM_FfmpegVob/iterations:3/real_time";
  if (ours > 0) {
    std::printf("sink: %.1f ms CPU per recording, %.1f MB/s of elementary stream\n", ours,
                static_cast<double>(capture.esBytes) / 1e3 / ours);
  }
  if (reporter.ms.count(ffmpeg) != 0 && reporter.cpuMs[ffmpeg] > 0) {
    std::printf("ffmpeg -f vob: %.1f ms wall, %.1f ms CPU per remux of the capture\n",
                reporter.ms[ffmpeg], reporter.cpuMs[ffmpeg]);
  }
  benchmark::Shutdown();
  return 0;
}
