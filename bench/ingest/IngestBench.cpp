// Transport-stream throughput of the live graph's ingest path: the virtual
// tuner playing a capture unpaced -> "Smart Tee" -> "TS Sink" without a file
// and "Demux" with its section, video and audio pins -> section buffer and
// renderers that drop what they get. The process is held to one core. The
// same capture is remuxed by ffmpeg to a null output for comparison:
//   ffmpeg -v error -i CAPTURE -map 0 -c copy -f null -
#include <benchmark/benchmark.h>

#include <sched.h>
#include <sys/resource.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <string>
#include <thread>

#include "graph/ingest/IngestGraph.h"
#include "platform/bda/tuner/VirtualTuners.h"
#include "platform/media/MediaGuids.h"
#include "platform/media/Renderer.h"
#include "tables/poll/PollSections.h"
#include "tools/broadcast/CaptureWriter.h"
#include "tools/broadcast/Description.h"

namespace {

constexpr double kSeconds = 10.0;  // of a 38.8 Mbit/s cable multiplex: about 48 MB
constexpr int kPassesPerRun = 4;
constexpr CLSID CLSID_NullRenderer = com::GuidOf("5E0C2B7A-3D41-4F8E-9A62-7C1B0D4E8F31");

struct Capture {
  std::filesystem::path folder;
  std::filesystem::path file;
  std::filesystem::path description;
  broadcast::MultiplexDescription multiplex;
  std::uintmax_t bytes = 0;
};

// The sample broadcast's cable multiplex 78 (two channels with video and
// audio, cable VCT), written once.
const Capture& TheCapture() {
  static const Capture capture = [] {
    Capture c;
    c.folder = std::filesystem::temp_directory_path() / "corvane-ingest-bench";
    std::filesystem::create_directories(c.folder);
    for (const auto& m : broadcast::SampleBroadcast().multiplexes) {
      if (m.channelMap == tuning::kCableStandard && m.physical == 78) c.multiplex = m;
    }
    c.file = c.folder / c.multiplex.CaptureFileName();
    std::string error;
    if (!std::filesystem::exists(c.file) &&
        !broadcast::WriteCapture(c.multiplex, kSeconds, c.file, {}, error)) {
      std::fprintf(stderr, "cannot write the capture: %s\n", error.c_str());
      std::exit(1);
    }
    c.bytes = std::filesystem::file_size(c.file);
    c.description = c.folder / "broadcast.txt";
    std::ofstream(c.description) << "tuners 1\npace off\nmultiplex \"Cable (Standard)\" 78 "
                                    "QAM:256-QAM capture "
                                 << c.file.filename().string() << "\n";
    return c;
  }();
  return capture;
}

class CNullRenderer : public CBaseRenderer {
 public:
  explicit CNullRenderer(HRESULT* hr) : CBaseRenderer(CLSID_NullRenderer, "null", nullptr, hr) {}
  HRESULT CheckMediaType(const CMediaType*) override { return S_OK; }
  HRESULT DoRenderSample(IMediaSample*) override { return S_OK; }
};

double CpuSeconds(int who) {
  rusage usage{};
  getrusage(who, &usage);
  auto seconds = [](const timeval& t) { return static_cast<double>(t.tv_sec) + t.tv_usec / 1e6; };
  return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

void BM_IngestGraph(benchmark::State& state) {
  const Capture& capture = TheCapture();
  std::string error;
  const auto broadcast = vtuner::Broadcast::Load(capture.description, &error);
  if (!broadcast || broadcast->Paced()) {
    state.SkipWithError(broadcast ? "the tuner is paced" : error.c_str());
    return;
  }
  const broadcast::ChannelDescription& channel = capture.multiplex.channels.front();
  double cpu = 0;
  std::uint64_t bytes = 0;
  for (auto _ : state) {
    ComPtr<IBaseFilter> tuner;
    bda::CreateVirtualTunerFilter(broadcast, IID_PPV_ARGS(&tuner));
    graph::IngestGraph ingest;
    if (FAILED(ingest.Build(tuner.Get(), bda::VirtualTunerFriendlyName(1), &error))) {
      state.SkipWithError(error.c_str());
      break;
    }
    HRESULT hr = S_OK;
    ComPtr<CNullRenderer> video(new CNullRenderer(&hr)), audio(new CNullRenderer(&hr));
    ingest.Graph()->AddFilter(video.Get(), u"video");
    ingest.Graph()->AddFilter(audio.Get(), u"audio");
    ingest.Graph()->ConnectDirect(ingest.DemuxPin(filters::kVideoPinName).Get(), video->GetPin(0),
                                  nullptr);
    ingest.Graph()->ConnectDirect(ingest.DemuxPin(filters::kAudioPinName).Get(), audio->GetPin(0),
                                  nullptr);
    // Renderers take samples as they come: no reference clock.
    ComPtr<IFilterGraph2>(ingest.Graph()).As<IMediaFilter>()->SetSyncSource(nullptr);
    ingest.Provider()->Tune(78, tuning::kCableStandard,
                            tuning::ModulationToLocator(capture.multiplex.modulation));
    ingest.Provider()->SetPsiPids(tables::kFixedPsiPids, tables::kFixedPsiPidCount, TRUE);
    ingest.Provider()->MapStreamPids(2, 0x81, channel.videoPid, channel.audioPid, channel.PcrPid(),
                                     TRUE);

    const std::uint64_t target = kPassesPerRun * capture.bytes;
    const double cpuBefore = CpuSeconds(RUSAGE_SELF);
    const auto start = std::chrono::steady_clock::now();
    ingest.Run();
    while (ingest.Demux()->Input().bytes < target)
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
    const auto end = std::chrono::steady_clock::now();
    cpu += CpuSeconds(RUSAGE_SELF) - cpuBefore;
    bytes += ingest.Demux()->Input().bytes;
    state.SetIterationTime(std::chrono::duration<double>(end - start).count());
    ingest.TearDown();
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(bytes));
  state.counters["cpu_bytes_per_second"] = cpu > 0 ? static_cast<double>(bytes) / cpu : 0;
}
BENCHMARK(BM_IngestGraph)->Iterations(3)->UseManualTime()->Unit(benchmark::kMillisecond);

void BM_FfmpegCopy(benchmark::State& state) {
  if (std::system("command -v ffmpeg >/dev/null 2>&1") != 0) {
    state.SkipWithError("ffmpeg not installed");
    return;
  }
  const std::string command = "ffmpeg -nostdin -v error -i '" + TheCapture().file.string() +
                              "' -map 0 -c copy -f null - 2>/dev/null";
  double childSeconds = 0;
  for (auto _ : state) {
    const double before = CpuSeconds(RUSAGE_CHILDREN);
    const int status = std::system(command.c_str());
    childSeconds += CpuSeconds(RUSAGE_CHILDREN) - before;
    if (status != 0) state.SkipWithError("ffmpeg failed");
  }
  const double bytes = static_cast<double>(state.iterations()) * TheCapture().bytes;
  state.SetBytesProcessed(static_cast<std::int64_t>(bytes));
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
  // One core for the whole process (and the ffmpeg it starts).
  cpu_set_t one;
  CPU_ZERO(&one);
  CPU_SET(0, &one);
  sched_setaffinity(0, sizeof one, &one);
  benchmark::Initialize(&argc, argv);
  const Capture& capture = TheCapture();
  std::printf("capture: %s, %.1f MB\n", capture.file.c_str(),
              static_cast<double>(capture.bytes) / 1e6);
  RatioReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  double ours = 0, oursCpu = 0, theirs = 0, theirsCpu = 0;
  for (const auto& [name, rate] : reporter.rates) {
    const bool cpu = name.ends_with("cpu_bytes_per_second");
    if (name.starts_with("BM_IngestGraph")) (cpu ? oursCpu : ours) = rate;
    if (name.starts_with("BM_FfmpegCopy")) (cpu ? theirsCpu : theirs) = rate;
  }
  std::printf("ingest graph: %.1f MB/s wall, %.1f MB/s CPU time (one core)\n", ours / 1e6,
              oursCpu / 1e6);
  if (theirs > 0 && theirsCpu > 0) {
    std::printf("ffmpeg -c copy: %.1f MB/s wall, %.1f MB/s CPU time\n", theirs / 1e6,
                theirsCpu / 1e6);
    std::printf("ratio ingest/ffmpeg: %.2f (wall), %.2f (CPU)\n", ours / theirs,
                oursCpu / theirsCpu);
  }
  benchmark::Shutdown();
  return 0;
}
