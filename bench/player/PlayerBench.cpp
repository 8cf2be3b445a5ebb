// Live viewing at real-time pace on the virtual tuner and the bundled
// broadcast: the buffered tuner graph with the time-shift player (state 34),
// the platform's decoders, renderer kind 5 on a frame sink, and the sound
// renderer (a null one where no sound device opens).
//  - CPU of ten seconds of 5.5, beside the same ten seconds of the tuner graph
//    alone and beside libavcodec decoding ten seconds of the channel's video
//    and sound by itself; the player's own share is what is left;
//  - the process's peak resident memory after live viewing (run this
//    benchmark alone for the figure: --benchmark_filter=LiveViewing);
//  - a channel change (5.5 <-> 7.1 across multiplexes, 7.1 <-> 7.2 within
//    one) to the first picture the video decoder delivers from the new
//    channel, with the median of the changes.
// Times are wall-clock (manual time).
#include <benchmark/benchmark.h>
#include <sys/resource.h>

#include <chrono>
#include <cstdio>
#include <memory>
#include <thread>
#include <vector>

extern "C" {
#include <libavcodec/avcodec.h>
}

#include "bench/Median.h"
#include "graph/manager/CBDAFilterGraph.h"
#include "graph/player/PlayerGraph.h"
#include "tests/support/ScopedEnv.h"
#include "tests/support/TempFolder.h"
#include "tools/broadcast/Description.h"
#include "tools/broadcast/ElementaryLoop.h"
#include "tools/cli/play/Decoding.h"
#include "tools/cli/scan/ScanDriver.h"
#include "tools/cli/session/ToolSession.h"

namespace {

using Clock = std::chrono::steady_clock;
constexpr int kSeconds = 10;

const tuning::ChannelLocator k71 = tuning::ChannelLocator::Make(7, 1, 7, 0, 1);
const tuning::ChannelLocator k72 = tuning::ChannelLocator::Make(7, 2, 7, 0, 1);
const tuning::ChannelLocator k55 = tuning::ChannelLocator::Make(31, 5, 5, 0, 1);

double CpuSeconds() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
         static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

double PeakResidentMegabytes() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return static_cast<double>(usage.ru_maxrss) / 1024.0;
}

// A data folder of its own, the sample broadcast paced in real time, the
// tuner graph on `channel`, and with `player` the time-shift player over it.
class Viewing {
 public:
  bool Start(const tuning::ChannelLocator& channel, bool player, std::string& error) {
    if (!tools_.Open(u"", "", &error)) return false;
    driver_ = std::make_unique<cli::ScanDriver>(tools_, 0, tuning::kVsb8, stdout, stderr);
    player_.SetOptions(cli::HeadlessPlayerOptions({}, {}, true));
    graph::GraphServices services = tools_.Services(driver_.get());
    if (player) services.player = &player_;
    graph::GraphConfig config = tools_.ConfigOfFirstTuner();
    config.currentChannel = channel;
    graph_ = std::make_unique<graph::CBDAFilterGraph>(config, services);
    driver_->Attach(graph_.get());
    if (FAILED(graph_->RequestGraphState(32, 0))) return (error = "no tuner graph"), false;
    if (!Tune(channel)) return (error = "the tuner did not answer"), false;
    if (player && FAILED(graph_->RequestGraphState(32, 2)))
      return (error = "the player did not start"), false;
    return true;
  }
  bool Tune(const tuning::ChannelLocator& channel) {
    graph_->TuneRequest(channel, true);
    return driver_->WaitForTune(channel.physical(), std::chrono::seconds(10));
  }
  std::uint64_t Frames() { return cli::VideoFramesDecoded(player_); }
  graph::CBDAFilterGraph& Graph() { return *graph_; }

 private:
  testsupport::TempFolder folder_{"corvane-player-bench"};
  testsupport::ScopedEnv data_{"XDG_DATA_HOME", folder_.Path().string()};
  testsupport::ScopedEnv config_{"XDG_CONFIG_HOME", folder_.Path().string()};
  testsupport::ScopedEnv pace_{"CORVANE_TUNER_PACE", "1"};
  cli::ToolSession tools_;
  std::unique_ptr<cli::ScanDriver> driver_;
  graph::VideoWindowState window_;
  graph::PlayerGraph player_{window_};  // outlives the graph manager
  std::unique_ptr<graph::CBDAFilterGraph> graph_;
};

// CPU share of one core over kSeconds of real time, with the monitor tick.
double CpuPercentOver(Viewing& viewing) {
  const double cpu = CpuSeconds();
  const auto start = Clock::now();
  for (int second = 0; second < kSeconds; ++second) {
    std::this_thread::sleep_until(start + std::chrono::seconds(second + 1));
    viewing.Graph().MonitorTick();
  }
  const double wall = std::chrono::duration<double>(Clock::now() - start).count();
  return 100.0 * (CpuSeconds() - cpu) / wall;
}

// CPU seconds libavcodec alone takes for `units` of `codec`, single-threaded.
double DecodeSeconds(AVCodecID id, const std::vector<broadcast::AccessUnit>& units) {
  const AVCodec* codec = avcodec_find_decoder(id);
  AVCodecContext* context = avcodec_alloc_context3(codec);
  context->thread_count = 1;
  avcodec_open2(context, codec, nullptr);
  AVPacket* packet = av_packet_alloc();
  AVFrame* frame = av_frame_alloc();
  const double cpu = CpuSeconds();
  for (const auto& unit : units) {
    packet->data = const_cast<std::uint8_t*>(unit.data.data());
    packet->size = static_cast<int>(unit.data.size());
    avcodec_send_packet(context, packet);
    while (avcodec_receive_frame(context, frame) == 0)
      av_frame_unref(frame);
  }
  const double spent = CpuSeconds() - cpu;
  av_frame_free(&frame);
  av_packet_free(&packet);
  avcodec_free_context(&context);
  return spent;
}

// libavcodec's share of one core for KFIV's video and sound in real time.
double LibavcodecPercent(std::string& error) {
  for (const auto& mux : broadcast::SampleBroadcast().multiplexes) {
    for (const auto& channel : mux.channels) {
      if (channel.name != "KFIV") continue;
      broadcast::EncodedLoop loop;
      if (!broadcast::LoadOrEncodeLoop(channel, {}, broadcast::DefaultCacheFolder(), loop, error))
        return -1;
      // Several rounds of the loop, for a measurable time.
      constexpr int kRounds = 10;
      double video = 0, audio = 0;
      for (int i = 0; i < kRounds; ++i) {
        video += DecodeSeconds(AV_CODEC_ID_MPEG2VIDEO, loop.video);
        audio += DecodeSeconds(AV_CODEC_ID_AC3, loop.audio);
      }
      return 100.0 * (video / (kRounds * loop.videoDuration / 90'000.0) +
                      audio / (kRounds * loop.audioDuration / 90'000.0));
    }
  }
  error = "no KFIV in the sample broadcast";
  return -1;
}

void BM_LiveViewing(benchmark::State& state) {
  std::string error;
  const double libavcodec = LibavcodecPercent(error);
  if (libavcodec < 0) return state.SkipWithError(error.c_str());
  double tunerAlone = 0;
  {
    Viewing viewing;
    if (!viewing.Start(k55, false, error)) return state.SkipWithError(error.c_str());
    tunerAlone = CpuPercentOver(viewing);
  }
  Viewing viewing;
  if (!viewing.Start(k55, true, error)) return state.SkipWithError(error.c_str());
  std::this_thread::sleep_for(std::chrono::seconds(1));
  for (auto _ : state) {
    const auto start = Clock::now();
    const std::uint64_t frames = viewing.Frames();
    const double total = CpuPercentOver(viewing);
    const double wall = std::chrono::duration<double>(Clock::now() - start).count();
    state.SetIterationTime(wall);
    state.counters["cpu_percent_of_core"] = total;
    state.counters["tuner_graph_percent"] = tunerAlone;
    state.counters["libavcodec_percent"] = libavcodec;
    state.counters["player_own_percent"] = total - tunerAlone - libavcodec;
    state.counters["frames_per_s"] = static_cast<double>(viewing.Frames() - frames) / wall;
  }
  state.counters["peak_rss_mb"] = PeakResidentMegabytes();
}
BENCHMARK(BM_LiveViewing)->UseManualTime()->Iterations(1)->Unit(benchmark::kSecond);

// From TuneRequest to the first picture decoded after the tune: the tune
// jumps the player to live and the decoder waits for the new channel's
// sequence header. Between `a` and `b`, starting on `a`.
void ChannelChangeToFirstPicture(benchmark::State& state, const tuning::ChannelLocator& a,
                                 const tuning::ChannelLocator& b) {
  Viewing viewing;
  std::string error;
  if (!viewing.Start(a, true, error)) return state.SkipWithError(error.c_str());
  std::this_thread::sleep_for(std::chrono::seconds(2));
  bool toB = true;
  std::vector<double> times;
  for (auto _ : state) {
    const auto start = Clock::now();
    if (!viewing.Tune(toB ? b : a)) return state.SkipWithError("the tuner did not answer");
    const std::uint64_t before = viewing.Frames();
    while (viewing.Frames() == before) {
      if (Clock::now() - start > std::chrono::seconds(10))
        return state.SkipWithError("no picture after the tune");
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    times.push_back(std::chrono::duration<double>(Clock::now() - start).count());
    state.SetIterationTime(times.back());
    toB = !toB;
    std::this_thread::sleep_for(std::chrono::seconds(2));
  }
  state.counters["median_ms"] = 1000 * benchsupport::Median(times);
}

// Across multiplexes (5.5 <-> 7.1) and within one (7.1 <-> 7.2).
void BM_ChannelChangeToFirstPicture(benchmark::State& state) {
  ChannelChangeToFirstPicture(state, k55, k71);
}
BENCHMARK(BM_ChannelChangeToFirstPicture)
    ->UseManualTime()
    ->Iterations(6)
    ->Unit(benchmark::kMillisecond);

void BM_ChannelChangeWithinMultiplex(benchmark::State& state) {
  ChannelChangeToFirstPicture(state, k71, k72);
}
BENCHMARK(BM_ChannelChangeWithinMultiplex)
    ->UseManualTime()
    ->Iterations(6)
    ->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
