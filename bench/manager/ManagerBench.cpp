// The graph manager at real-time pace on the virtual tuner and the bundled
// broadcast, as a user meets it:
//  - zap time: from TuneRequest to the first video sample leaving the
//    demultiplexer, within a multiplex (7.1 <-> 7.2) and across multiplexes
//    (7.1 <-> 5.5); the buffered tuner graph without decoders;
//  - scan time of the whole "Antenna US" band (67 empty channels, 2 locked):
//    the full scan, and the tune and lock test of one empty channel;
//  - CPU of the buffered tuner graph watching 5.5 for ten seconds.
// Times are wall-clock (manual time); run with --benchmark_min_time=1x or so.
#include <benchmark/benchmark.h>

#include <sys/resource.h>

#include <chrono>
#include <cstdio>
#include <memory>
#include <thread>
#include <vector>

#include "bench/Median.h"
#include "demux/filter/DemuxFilter.h"
#include "demux/filter/DemuxOutputPin.h"
#include "filters/provider/NetworkProvider.h"
#include "graph/manager/CBDAFilterGraph.h"
#include "tests/support/ScopedEnv.h"
#include "tests/support/TempFolder.h"
#include "tools/cli/scan/ScanDriver.h"
#include "tools/cli/scan/ScanRun.h"
#include "tools/cli/session/ToolSession.h"

namespace {

using Clock = std::chrono::steady_clock;

// A data folder of its own, the sample broadcast paced in real time.
struct Session {
  testsupport::TempFolder folder{"corvane-manager-bench"};
  testsupport::ScopedEnv data{"XDG_DATA_HOME", folder.Path().string()};
  testsupport::ScopedEnv config{"XDG_CONFIG_HOME", folder.Path().string()};
  testsupport::ScopedEnv pace{"CORVANE_TUNER_PACE", "1"};
  cli::ToolSession tools;
};

std::uint64_t VideoSamples(graph::CBDAFilterGraph& graph) {
  auto* demux = static_cast<demux::CDemuxFilter*>(graph.Ingest().Demux());
  for (int i = 0; i < demux->GetPinCount(); ++i) {
    auto* pin = dynamic_cast<demux::CDemuxOutputPin*>(demux->GetPin(i));
    if (pin && pin->Name() == filters::kVideoPinName) return pin->SamplesDelivered();
  }
  return 0;
}

// Tunes `to` and waits for its first video sample; the seconds it took.
double Zap(cli::ScanDriver& driver, graph::CBDAFilterGraph& graph,
           const tuning::ChannelLocator& to) {
  const auto start = Clock::now();
  graph.TuneRequest(to, true);
  if (!driver.WaitForTune(to.physical(), std::chrono::seconds(10))) return -1;
  const std::uint64_t before = VideoSamples(graph);
  while (VideoSamples(graph) == before) {
    if (Clock::now() - start > std::chrono::seconds(10)) return -1;
    std::this_thread::sleep_for(std::chrono::microseconds(200));
  }
  return std::chrono::duration<double>(Clock::now() - start).count();
}

void ZapBetween(benchmark::State& state, tuning::ChannelLocator a, tuning::ChannelLocator b) {
  Session s;
  std::string error;
  if (!s.tools.Open(u"", "", &error)) {
    state.SkipWithError(error.c_str());
    return;
  }
  cli::ScanDriver driver(s.tools, 0, tuning::kVsb8, stdout, stderr);
  graph::GraphConfig config = s.tools.ConfigOfFirstTuner();
  config.currentChannel = a;
  graph::CBDAFilterGraph graph(config, s.tools.Services(&driver));
  driver.Attach(&graph);
  if (FAILED(graph.RequestGraphState(32, 0))) {
    state.SkipWithError("no tuner graph");
    return;
  }
  Zap(driver, graph, a);
  bool toB = true;
  std::vector<double> times;
  for (auto _ : state) {
    const double seconds = Zap(driver, graph, toB ? b : a);
    if (seconds < 0) {
      state.SkipWithError("no video after the tune");
      return;
    }
    state.SetIterationTime(seconds);
    times.push_back(seconds);
    toB = !toB;
  }
  state.counters["median_ms"] = 1000 * benchsupport::Median(times);
}

const tuning::ChannelLocator k71 = tuning::ChannelLocator::Make(7, 1, 7, 0, 1);
const tuning::ChannelLocator k72 = tuning::ChannelLocator::Make(7, 2, 7, 0, 1);
const tuning::ChannelLocator k55 = tuning::ChannelLocator::Make(31, 5, 5, 0, 1);

void BM_ZapWithinMultiplex(benchmark::State& state) {
  ZapBetween(state, k71, k72);
}
BENCHMARK(BM_ZapWithinMultiplex)->UseManualTime()->Iterations(6)->Unit(benchmark::kMillisecond);

void BM_ZapAcrossMultiplexes(benchmark::State& state) {
  ZapBetween(state, k71, k55);
}
BENCHMARK(BM_ZapAcrossMultiplexes)->UseManualTime()->Iterations(6)->Unit(benchmark::kMillisecond);

void BM_ScanAntennaUs(benchmark::State& state) {
  for (auto _ : state) {
    Session s;
    std::FILE* sink = std::fopen("/dev/null", "w");
    const auto start = Clock::now();
    const int code = cli::RunScan(std::vector<std::string>{"--map", "Antenna US"}, sink, sink);
    state.SetIterationTime(std::chrono::duration<double>(Clock::now() - start).count());
    std::fclose(sink);
    if (code != 0) state.SkipWithError("scan failed");
  }
  state.counters["locked"] = 2;
  state.counters["empty"] = 66;
}
BENCHMARK(BM_ScanAntennaUs)->UseManualTime()->Iterations(1)->Unit(benchmark::kSecond);

// One empty channel: the tune and the lock test of the scan.
void BM_ScanEmptyChannel(benchmark::State& state) {
  Session s;
  std::string error;
  if (!s.tools.Open(u"", "", &error)) {
    state.SkipWithError(error.c_str());
    return;
  }
  cli::ScanDriver driver(s.tools, 0, tuning::kVsb8, stdout, stderr);
  graph::CBDAFilterGraph graph(s.tools.ConfigOfFirstTuner(), s.tools.Services(&driver));
  driver.Attach(&graph);
  if (FAILED(graph.RequestGraphState(16, 0))) {
    state.SkipWithError("no tuner graph");
    return;
  }
  std::uint8_t physical = 40;
  for (auto _ : state) {
    const auto start = Clock::now();
    graph.TunePhysical(physical, 0, 1);
    const bool carried = driver.WaitForTune(physical, std::chrono::seconds(5));
    const bool locked = graph.SignalLocked();
    state.SetIterationTime(std::chrono::duration<double>(Clock::now() - start).count());
    if (!carried || locked) state.SkipWithError("the channel is not empty");
    physical = physical == 40 ? 41 : 40;
  }
}
BENCHMARK(BM_ScanEmptyChannel)->UseManualTime()->Iterations(50)->Unit(benchmark::kMillisecond);

double CpuSeconds() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
         static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

// The buffered tuner graph on 5.5 with its once-a-second poll, ten seconds.
void BM_LiveGraphCpu(benchmark::State& state) {
  Session s;
  std::string error;
  if (!s.tools.Open(u"", "", &error)) {
    state.SkipWithError(error.c_str());
    return;
  }
  cli::ScanDriver driver(s.tools, 0, tuning::kVsb8, stdout, stderr);
  graph::GraphConfig config = s.tools.ConfigOfFirstTuner();
  config.currentChannel = k55;
  graph::CBDAFilterGraph graph(config, s.tools.Services(&driver));
  driver.Attach(&graph);
  if (FAILED(graph.RequestGraphState(32, 0))) {
    state.SkipWithError("no tuner graph");
    return;
  }
  std::this_thread::sleep_for(std::chrono::seconds(1));
  for (auto _ : state) {
    const double cpu = CpuSeconds();
    const auto start = Clock::now();
    for (int second = 0; second < 10; ++second) {
      std::this_thread::sleep_until(start + std::chrono::seconds(second + 1));
      graph.MonitorTick();
    }
    const double wall = std::chrono::duration<double>(Clock::now() - start).count();
    state.SetIterationTime(wall);
    state.counters["cpu_percent_of_core"] = 100.0 * (CpuSeconds() - cpu) / wall;
  }
}
BENCHMARK(BM_LiveGraphCpu)->UseManualTime()->Iterations(1)->Unit(benchmark::kSecond);

}  // namespace

BENCHMARK_MAIN();
