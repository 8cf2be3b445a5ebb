// Many tuners at once: N virtual tuners, each on a full 256-QAM cable
// multiplex (38.8 Mbit/s, the sample broadcast's cable 78 from a capture)
// paced in real time, each with its buffered tuner graph (tee, transport
// dump, demultiplexer, section buffer, list-buffer sink) recording channel
// 1001 into a programme-stream file, and the once-a-second poll of every
// graph on this thread, as the program runs them. For each N:
//  - packets lost once all recordings run (and, apart, while they start):
//    what a hardware tuner's buffer would have overflowed with a reader this
//    late (the virtual tuner's reader lag), plus the demultiplexer's
//    continuity errors on the recorded video and sound, its dropped samples
//    and the sink's packs lost; the run holds when all of them are 0. The
//    continuity errors on the table PIDs are counted apart;
//  - the worst backlog (ms of stream a tuner had due but unread) and the
//    largest shortfall of stream delivered against the wall clock once all
//    recordings run;
//  - CPU of the process in % of the whole machine, recorded megabytes.
// Run with --seconds S (default 20) for each N.
#include <benchmark/benchmark.h>

#include <sys/resource.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "common/Utf16.h"
#include "demux/filter/DemuxFilter.h"
#include "demux/filter/DemuxOutputPin.h"
#include "filters/provider/NetworkProvider.h"
#include "filters/sink/IMPEG2Sink.h"
#include "filters/sink/Mpeg2Sink.h"
#include "graph/ingest/TunerDevices.h"
#include "graph/manager/CBDAFilterGraph.h"
#include "platform/bda/tuner/VirtualTunerFilter.h"
#include "tests/support/ScopedEnv.h"
#include "tests/support/TempFolder.h"
#include "tools/broadcast/CaptureWriter.h"
#include "tools/broadcast/Description.h"
#include "tools/cli/scan/ScanDriver.h"
#include "tools/cli/scan/ScanRun.h"
#include "tools/cli/session/ToolSession.h"
#include "tuning/ChannelText.h"

namespace {

using Clock = std::chrono::steady_clock;
int gSeconds = 20;
constexpr double kCaptureSeconds = 10;
constexpr double kTicksPerSecond = 27e6;

double CpuSeconds() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  auto seconds = [](const timeval& t) { return static_cast<double>(t.tv_sec) + t.tv_usec / 1e6; };
  return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

// The data folder, the capture of cable 78 as the only multiplex on the air
// for 16 paced tuners, and a channel list from a scan of it; made once.
struct Setting {
  testsupport::TempFolder folder{"corvane-tuners-bench"};
  testsupport::ScopedEnv data{"XDG_DATA_HOME", folder.Path().string()};
  testsupport::ScopedEnv config{"XDG_CONFIG_HOME", folder.Path().string()};
  std::unique_ptr<testsupport::ScopedEnv> broadcastFile;
  std::string error;
  std::uintmax_t captureBytes = 0;

  Setting() {
    broadcast::MultiplexDescription cable;
    for (const auto& m : broadcast::SampleBroadcast().multiplexes)
      if (m.channelMap == tuning::kCableStandard && m.physical == 78) cable = m;
    const auto capture = folder / "cable-78.ts";
    if (!broadcast::WriteCapture(cable, kCaptureSeconds, capture, {}, error)) return;
    captureBytes = std::filesystem::file_size(capture);
    const auto description = folder.WriteText(
        "broadcast.txt", "tuners 16\nmultiplex \"Cable (Standard)\" 78 QAM:256-QAM capture " +
                             capture.filename().string() + "\n");
    broadcastFile =
        std::make_unique<testsupport::ScopedEnv>("CORVANE_BROADCAST", description.string());
    std::FILE* sink = std::fopen("/dev/null", "w");
    const int code =
        cli::RunScan(std::vector<std::string>{"--map", "Cable (Standard)", "--modulation",
                                              "QAM:256-QAM", "--from", "78", "--to", "78"},
                     sink, sink);
    std::fclose(sink);
    if (code != 0) error = "the scan of cable 78 failed";
  }
};

Setting& TheSetting() {
  static Setting setting;
  return setting;
}

// One tuner's graph manager, recording.
struct Recorder {
  std::unique_ptr<cli::ScanDriver> driver;
  std::unique_ptr<graph::CBDAFilterGraph> graph;

  bda::VirtualTunerDevice& Device() {
    return dynamic_cast<bda::CVirtualTunerFilter*>(graph->Ingest().Tuner())->Device();
  }
  vtuner::VirtualTuner& Tuner() { return Device().Tuner(); }
};

// What one graph lost so far, by where it was lost.
struct Losses {
  std::uint64_t overflowed = 0;  // packets past a device buffer
  std::uint64_t continuity = 0;  // continuity errors on the recorded video and sound
  std::uint64_t dropped = 0;     // demultiplexer samples dropped
  std::uint64_t packsLost = 0;   // sink packs not written
  // Continuity errors on the table PIDs: left out of the total, as they come
  // with one tuner as well (not from load).
  std::uint64_t tableContinuity = 0;

  std::uint64_t Total() const { return overflowed + continuity + dropped + packsLost; }
  Losses& operator+=(const Losses& o) {
    overflowed += o.overflowed, continuity += o.continuity, dropped += o.dropped,
        packsLost += o.packsLost, tableContinuity += o.tableContinuity;
    return *this;
  }
  Losses operator-(const Losses& o) const {
    return {overflowed - o.overflowed, continuity - o.continuity, dropped - o.dropped,
            packsLost - o.packsLost, tableContinuity - o.tableContinuity};
  }
};

Losses LossesOf(Recorder& r) {
  Losses l;
  l.overflowed = r.Tuner().Lag().packetsOverflowed;
  demux::CDemuxFilter* demux = r.graph->Ingest().Demux();
  std::vector<bool> recorded(0x2000);
  for (int i = 0; i < demux->GetPinCount(); ++i) {
    auto* pin = dynamic_cast<demux::CDemuxOutputPin*>(demux->GetPin(i));
    if (!pin) continue;
    l.dropped += pin->SamplesDropped();
    std::vector<demux::PidMapping> mappings;
    if (pin->Name() == filters::kVideoPinName || pin->Name() == filters::kAudioPinName)
      demux->EnumPids(pin, mappings);
    for (const demux::PidMapping& m : mappings)
      recorded[m.pid & 0x1FFF] = true;
  }
  for (std::uint16_t pid = 0; pid < 0x2000; ++pid)
    (recorded[pid] ? l.continuity : l.tableContinuity) += demux->Statistics(pid).continuityErrors;
  ComPtr<IBaseFilter> filter;
  CMPEG2Sink* sink = nullptr;
  if (SUCCEEDED(r.graph->Ingest().Graph()->FindFilterByName(u"MPEG-2 Sink", &filter)) &&
      SUCCEEDED(filter->QueryInterface(IID_MPEG2SinkObject, reinterpret_cast<void**>(&sink)))) {
    l.packsLost = sink->Core().Stats().packsLost;
    sink->Release();
  }
  return l;
}

void BM_TunersRecording(benchmark::State& state) {
  Setting& setting = TheSetting();
  if (!setting.error.empty()) return state.SkipWithError(setting.error.c_str());
  const auto space = std::filesystem::space(setting.folder.Path());
  if (space.available < (std::uintmax_t{1} << 30))
    return state.SkipWithError("less than 1 GB free");
  const int count = static_cast<int>(state.range(0));

  cli::ToolSession session;
  std::string error;
  if (!session.Open(u"", "", &error)) return state.SkipWithError(error.c_str());
  const auto tuners = graph::EnumerateTuners();
  const auto channel = tuning::ResolveChannelText("1001", session.Channels(),
                                                  tuning::kCableStandard, tuning::kQam256);
  if (static_cast<int>(tuners.size()) < count || !channel)
    return state.SkipWithError("fewer tuners than asked for, or no channel 1001");
  std::FILE* quiet = std::fopen("/dev/null", "w");

  for (auto _ : state) {
    std::vector<Recorder> recorders(static_cast<std::size_t>(count));
    for (int i = 0; i < count; ++i) {
      Recorder& r = recorders[static_cast<std::size_t>(i)];
      r.driver = std::make_unique<cli::ScanDriver>(session, tuning::kCableStandard, tuning::kQam256,
                                                   quiet, quiet);
      graph::GraphConfig config = session.ConfigOfFirstTuner();
      config.friendlyName = tuners[static_cast<std::size_t>(i)].friendlyName;
      config.devicePath = tuners[static_cast<std::size_t>(i)].displayName;
      config.tagNumber = i + 1;
      config.currentChannel = *channel;
      r.graph = std::make_unique<graph::CBDAFilterGraph>(config, session.Services(r.driver.get()));
      r.driver->Attach(r.graph.get());
      r.graph->SetRecordingTitle(u"Tuner " + common::FromUtf8(std::to_string(i + 1)));
      r.graph->SetRecordingOrigin(1);
      if (FAILED(r.graph->RequestGraphState(48, 0))) {
        state.SkipWithError("a recording did not start");
        break;
      }
    }
    // From here on all of them run: what they lose and the stream they
    // deliver against the wall clock count from now.
    std::vector<std::uint64_t> streamBefore;
    std::vector<Losses> lossesBefore;
    std::vector<std::uint32_t> tunesBefore;
    for (Recorder& r : recorders) {
      tunesBefore.push_back(r.graph ? r.Device().TuneCount() : 0);
      streamBefore.push_back(r.graph ? r.Tuner().StreamTime() : 0);
      lossesBefore.push_back(r.graph ? LossesOf(r) : Losses{});
    }
    const double cpu = CpuSeconds();
    const auto running = Clock::now();
    for (int second = 1; second <= gSeconds; ++second) {
      std::this_thread::sleep_until(running + std::chrono::seconds(second));
      for (Recorder& r : recorders)
        if (r.graph) r.graph->MonitorTick();
    }
    const auto end = Clock::now();
    const double wall = std::chrono::duration<double>(end - running).count();
    const double cpuUsed = CpuSeconds() - cpu;
    Losses losses, atStart;
    std::uint64_t worstBacklog = 0;
    double worstShortfall = 0;  // s of stream behind the wall clock
    std::uint32_t retunes = 0;
    std::uintmax_t recorded = 0;
    for (std::size_t i = 0; i < recorders.size(); ++i) {
      Recorder& r = recorders[i];
      if (!r.graph) continue;
      losses += LossesOf(r) - lossesBefore[i];
      atStart += lossesBefore[i];
      worstBacklog = std::max(worstBacklog, r.Tuner().Lag().worstBacklogBytes);
      retunes += r.Device().TuneCount() - tunesBefore[i];
      const double streamSeconds =
          static_cast<double>(r.Tuner().StreamTime() - streamBefore[i]) / kTicksPerSecond;
      worstShortfall = std::max(worstShortfall, wall - streamSeconds);
      const auto file = r.graph->RecordingPath();
      r.graph->RequestGraphState(0, 0);
      std::error_code ec;
      recorded += std::filesystem::file_size(file, ec);
      std::filesystem::remove(file, ec);
    }
    state.SetIterationTime(wall);
    state.counters["tuners"] = count;
    state.counters["lost"] = static_cast<double>(losses.Total());
    state.counters["lost_at_start"] = static_cast<double>(atStart.Total());
    state.counters["overflowed"] = static_cast<double>(losses.overflowed);
    state.counters["continuity"] = static_cast<double>(losses.continuity);
    state.counters["table_continuity"] = static_cast<double>(losses.tableContinuity);
    state.counters["retunes"] = retunes;
    state.counters["dropped"] = static_cast<double>(losses.dropped);
    state.counters["packs_lost"] = static_cast<double>(losses.packsLost);
    // 38.8 Mbit/s: 4.85 bytes per microsecond.
    state.counters["worst_backlog_ms"] = static_cast<double>(worstBacklog) / 4850.0;
    state.counters["worst_shortfall_ms"] = worstShortfall * 1000;
    state.counters["cpu_percent_of_machine"] =
        100.0 * cpuUsed / wall / static_cast<double>(std::thread::hardware_concurrency());
    state.counters["multiplex_mbit_s"] =
        static_cast<double>(setting.captureBytes) * 8 / kCaptureSeconds / 1e6;
    state.counters["recorded_mb"] = static_cast<double>(recorded) / 1e6;
    double load[1] = {0};
    getloadavg(load, 1);
    state.counters["load_1min"] = load[0];
  }
  std::fclose(quiet);
}
BENCHMARK(BM_TunersRecording)
    ->Arg(1)
    ->Arg(2)
    ->Arg(4)
    ->Arg(8)
    ->Arg(16)
    ->UseManualTime()
    ->Iterations(1)
    ->Unit(benchmark::kSecond);

}  // namespace

int main(int argc, char** argv) {
  for (int i = 1; i < argc; ++i) {
    if (std::string(argv[i]) == "--seconds" && i + 1 < argc) {
      gSeconds = std::max(1, std::atoi(argv[i + 1]));
      for (int j = i; j + 2 <= argc; ++j)
        argv[j] = argv[j + 2];
      argc -= 2;
      break;
    }
  }
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
