#include "bench/soak/SoakRun.h"

#include <algorithm>
#include <chrono>
#include <cinttypes>
#include <memory>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "bench/soak/MemoryCurve.h"
#include "bench/soak/Readback.h"
#include "bench/soak/SoakHosts.h"
#include "bench/soak/TimerLedger.h"
#include "bench/soak/TimerPlan.h"
#include "common/TimeBase.h"
#include "common/Utf16.h"
#include "graph/ingest/TunerDevices.h"
#include "graph/manager/CBDAFilterGraph.h"
#include "graph/manager/RecorderGraph.h"
#include "graph/player/GraphEvents.h"
#include "graph/player/PlayerGraph.h"
#include "recording/scheduler/Scheduler.h"
#include "tests/recording/SchedulerFakes.h"
#include "tests/support/ScopedEnv.h"
#include "tests/support/TempFolder.h"
#include "tests/support/TimeZone.h"
#include "tools/cli/play/Decoding.h"
#include "tools/cli/scan/ScanDriver.h"
#include "tools/cli/session/ToolSession.h"
#include "tuning/ChannelChange.h"

namespace soak {
namespace {

using Steady = std::chrono::steady_clock;
using recording::testing::FakeClock;

constexpr LONGLONG kUnitsPerSecond = 10'000'000;
constexpr std::int64_t kHour = 3600;
// A start or end counts as on time within this many seconds (one look a
// second, one start per look).
constexpr std::int64_t kOnTimeSeconds = 3;
// Eastern time with its rules written out: no zone database needed.
constexpr const char* kZone = "EST5EDT,M3.2.0,M11.1.0";

std::string LocalText(const recording::Clock& clock, std::int64_t utc) {
  const std::tm t = common::WallClockFields(clock.WallClockFromUtc(utc));
  static constexpr const char* kDays[] = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
  char text[48];
  std::snprintf(text, sizeof text, "%s %04d-%02d-%02d %02d:%02d:%02d", kDays[t.tm_wday % 7],
                t.tm_year + 1900, t.tm_mon + 1, t.tm_mday, t.tm_hour, t.tm_min, t.tm_sec);
  return text;
}

double Mb(std::uint64_t bytes) {
  return static_cast<double>(bytes) / (1024.0 * 1024.0);
}

std::optional<tuning::ChannelLocator> FindChannel(tuning::ChannelList& channels, int major,
                                                  int minor) {
  auto lock = channels.Acquire();
  for (auto& [key, node] : channels) {
    const tuning::ChannelLocator& l = node.record.locator;
    if (l.major() == major && l.minor() == minor) return l;
  }
  return std::nullopt;
}

struct Counters {
  int zaps = 0;
  int zapsAcross = 0;
  int zapsWithVideo = 0;
  int zapsRefused = 0;  // the first tuner was recording: the program does not tune then
  int timeShiftRounds = 0;
  int timeShiftFailures = 0;
  int timeShiftSkipped = 0;  // no time-shift player at that moment
  int dwells = 0;
};

class Soak {
 public:
  Soak(const SoakOptions& options, std::FILE* out) : o_(options), out_(out) {}
  int Run();

 private:
  bool Prepare();
  bool Scan();
  void Step(std::int64_t now);
  void Dwell(int milliseconds);
  void DrainEvents();
  void ChangeChannel();
  void TimeShiftRound();
  void SampleHour(std::int64_t hour);
  int Report(double realSeconds);

  const SoakOptions& o_;
  std::FILE* out_;
  testsupport::ScopedTimeZone zone_{kZone};
  testsupport::TempFolder folder_{"corvane-soak"};
  testsupport::ScopedEnv data_{"XDG_DATA_HOME", folder_.Path().string()};
  testsupport::ScopedEnv config_{"XDG_CONFIG_HOME", folder_.Path().string()};
  testsupport::ScopedEnv cache_{"XDG_CACHE_HOME", testsupport::BuildCacheFolder("soak").string()};
  cli::ToolSession session_;
  Span span_;
  FakeClock clock_{0};
  recording::testing::FakePower power_;
  recording::testing::FakeShell shell_;
  bool busy_ = false;
  PlanChannels channels_;
  int refused_ = 0;
  std::unique_ptr<TimerLedger> ledger_;
  graph::VideoWindowState window_;
  // The player outlives the graph manager, which takes it down.
  graph::PlayerGraph player_{window_};
  EventActions actions_{player_, out_, o_.verbose};
  Messages messages1_;
  Messages messages2_;
  std::unique_ptr<graph::CBDAFilterGraph> graph1_;
  std::unique_ptr<graph::CBDAFilterGraph> graph2_;
  std::unique_ptr<WatchedGraph> watched1_;
  std::unique_ptr<WatchedGraph> watched2_;
  std::unique_ptr<recording::Scheduler> scheduler_;
  Counters counters_;
  std::vector<MemorySample> memory_;
};

bool Soak::Scan() {
  app::Settings& settings = session_.Settings();
  const tuning::ChannelMap map = settings.scanChannelMap;
  std::FILE* sink = o_.verbose ? out_ : std::fopen("/dev/null", "w");
  {
    cli::ScanDriver driver(session_, map, settings.scanModulation, sink, sink);
    graph::CBDAFilterGraph graph(session_.ConfigOfFirstTuner(), session_.Services(&driver));
    driver.Attach(&graph);
    if (SUCCEEDED(graph.RequestGraphState(32, 0))) {
      // The two multiplexes of the sample broadcast's antenna band.
      driver.Run(7, 7, false);
      driver.Run(31, 31, false);
    }
  }
  if (sink != out_) std::fclose(sink);
  const auto first = FindChannel(session_.Channels(), 7, 1);
  const auto second = FindChannel(session_.Channels(), 7, 2);
  const auto other = FindChannel(session_.Channels(), 5, 5);
  if (!first || !second || !other) return false;
  channels_ = {*first, *second, *other};
  return true;
}

bool Soak::Prepare() {
  std::string error;
  if (!session_.Open(u"", "", &error)) {
    std::fprintf(out_, "soak: %s\n", error.c_str());
    return false;
  }
  const std::vector<graph::TunerInfo> tuners = graph::EnumerateTuners();
  if (tuners.size() < 2) {
    std::fprintf(out_, "soak: two tuners needed, %zu found\n", tuners.size());
    return false;
  }
  if (!Scan()) {
    std::fprintf(out_, "soak: the scan did not find 7.1, 7.2 and 5.5\n");
    return false;
  }

  // The week boundary: the midnight from Saturday 2027-01-09 to Sunday.
  span_ =
      SpanAround(clock_.WallClockFromUtc(testsupport::LocalSeconds(2027, 1, 10, 0, 0)), o_.days);
  clock_.Set(clock_.UtcFromWallClock(span_.beginWall));
  recording::TimerList& timers = session_.Manager().timers;
  timers.Clear();
  for (const recording::TimerForm& form : PlanTimers(span_, channels_)) {
    const auto result = recording::SaveTimerForm(timers, std::nullopt, form, clock_, 2);
    if (result != recording::TimerFormResult::kAdded) {
      std::fprintf(out_, "soak: timer \"%s\" refused (%d)\n", common::ToUtf8(form.name).c_str(),
                   static_cast<int>(result));
      ++refused_;
    }
  }
  ledger_ = std::make_unique<TimerLedger>(Occurrences(timers, span_, clock_), kOnTimeSeconds);

  graph::GraphConfig config1 = session_.ConfigOfFirstTuner();
  config1.friendlyName = tuners[0].friendlyName;
  config1.devicePath = tuners[0].displayName;
  config1.recordFolder = folder_.Path() / "Videos";
  config1.currentChannel = channels_.first;
  graph::GraphConfig config2 = config1;
  config2.friendlyName = tuners[1].friendlyName;
  config2.devicePath = tuners[1].displayName;
  config2.tagNumber = 2;

  const app::TunerManager& m = session_.Manager();
  player_.SetOptions(cli::HeadlessPlayerOptions(std::u16string(common::FieldView(m.videoDecoder)),
                                                std::u16string(common::FieldView(m.audioDecoder)),
                                                true));
  graph::GraphServices services1 = session_.Services(&messages1_);
  services1.player = &player_;
  graph1_ = std::make_unique<graph::CBDAFilterGraph>(config1, services1);
  graph2_ = std::make_unique<graph::CBDAFilterGraph>(config2, session_.Services(&messages2_));

  // Live viewing as the program starts it: the buffered tuner graph on the
  // current channel, then the time-shift player at the live position.
  if (FAILED(graph1_->RequestGraphState(32, 0))) {
    std::fprintf(out_, "soak: the tuner graph of tuner 1 did not start\n");
    return false;
  }
  graph1_->TuneRequest(channels_.first, true);
  Dwell(o_.dwellMilliseconds);
  if (FAILED(graph1_->RequestGraphState(32, 2))) {
    std::fprintf(out_, "soak: the time-shift player did not start\n");
    return false;
  }

  watched1_ = std::make_unique<WatchedGraph>(*graph1_, 0, *ledger_, clock_);
  watched2_ = std::make_unique<WatchedGraph>(*graph2_, 1, *ledger_, clock_);
  scheduler_ = std::make_unique<recording::Scheduler>(
      recording::SchedulerParts{timers, clock_, power_, shell_, session_.Channels(), busy_});
  scheduler_->SetGraphs({watched1_.get(), watched2_.get()});
  scheduler_->SetGuidePass(o_.guidePass);
  scheduler_->SetStartupComplete();
  return true;
}

void Soak::DrainEvents() {
  if (messages1_.playerEvents.exchange(false)) {
    ComPtr<IMediaEventEx> events;
    if (const ComPtr<IGraphBuilder> g = player_.Graph()) g.As(&events);
    graph::HandlePlayerGraphEvents(events.Get(), player_, actions_);
  }
  // The program handles the tuner graph events of the graph it shows.
  if (messages1_.tunerEvents.exchange(false)) {
    ComPtr<IMediaEventEx> events;
    if (IFilterGraph2* g = graph1_->Ingest().Graph()) g->QueryInterface(IID_PPV_ARGS(&events));
    graph::HandleTunerGraphEvents(events.Get(), player_, actions_);
  }
}

void Soak::Dwell(int milliseconds) {
  ++counters_.dwells;
  const auto until = Steady::now() + std::chrono::milliseconds(milliseconds);
  while (Steady::now() < until) {
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    DrainEvents();
  }
  graph1_->MonitorTick();
  if (graph2_) graph2_->MonitorTick();
}

void Soak::ChangeChannel() {
  const auto tuner = static_cast<std::uint8_t>(graph1_->Tuner());
  const auto player = static_cast<std::uint8_t>(graph1_->Player());
  // As the program's channel keys: only while live video shows and the
  // tuner does not record.
  if ((player != 1 && player != 2) || tuner == recording::kTunerRecording) {
    ++counters_.zapsRefused;
    return;
  }
  const tuning::ChannelLocator from = graph1_->CurrentChannel();
  const tuning::ChannelLocator to = tuning::NextChannel(session_.Channels(), from, +1);
  graph1_->TuneRequest(to, true);
  ++counters_.zaps;
  if (to.physical() != from.physical()) ++counters_.zapsAcross;
  Dwell(o_.dwellMilliseconds);
  // Video flows on the new channel at the end of the dwell.
  const std::uint64_t before = VideoSamples(*graph1_);
  std::this_thread::sleep_for(std::chrono::milliseconds(100));
  if (VideoSamples(*graph1_) != before) ++counters_.zapsWithVideo;
}

void Soak::TimeShiftRound() {
  if (graph1_->Player() != graph::PlayerState::kPlayerTimeShift) {
    ++counters_.timeShiftSkipped;
    return;
  }
  ++counters_.timeShiftRounds;
  auto check = [this](HRESULT hr) {
    if (FAILED(hr)) ++counters_.timeShiftFailures;
  };
  // Pause, ten seconds back, play, then back to live as the "live" key does.
  check(player_.Pause());
  Dwell(o_.dwellMilliseconds / 2);
  graph::PlayerPosition position;
  check(player_.GetPosition(&position));
  check(player_.SeekTo(
      std::clamp(position.current - 10 * kUnitsPerSecond, position.earliest, position.latest)));
  check(player_.Run());
  Dwell(o_.dwellMilliseconds / 2);
  check(player_.Run());
  check(player_.JumpToLive());
  Dwell(o_.dwellMilliseconds / 2);
}

void Soak::SampleHour(std::int64_t hour) {
  graph1_->MonitorTick();
  graph2_->MonitorTick();
  memory_.push_back(SampleMemory(hour));
  const MemorySample& s = memory_.back();
  if (o_.verbose || hour % 24 == 0) {
    std::fprintf(out_, "hour %4" PRId64 "  %s  heap %8.1f MB  resident %8.1f MB  recordings %zu\n",
                 hour, LocalText(clock_, clock_.NowUtc()).c_str(), Mb(s.heapInUse), Mb(s.resident),
                 ledger_->Recordings().size());
    std::fflush(out_);
  }
}

void Soak::Step(std::int64_t now) {
  clock_.Set(now);
  DrainEvents();
  const auto tuner1 = graph1_->Tuner();
  const auto tuner2 = graph2_->Tuner();
  scheduler_->Tick();
  // A recording began or ended: the graphs run a while around it.
  const bool recordingChanged = (tuner1 == graph::TunerState::kTunerRecording) !=
                                    (graph1_->Tuner() == graph::TunerState::kTunerRecording) ||
                                (tuner2 == graph::TunerState::kTunerRecording) !=
                                    (graph2_->Tuner() == graph::TunerState::kTunerRecording);
  if (recordingChanged) Dwell(o_.recordingDwellMilliseconds);
}

int Soak::Run() {
  const auto realStart = Steady::now();
  if (!Prepare()) return 2;
  const std::int64_t begin = clock_.NowUtc();
  const std::int64_t end = clock_.UtcFromWallClock(span_.endWall);
  std::fprintf(out_, "Soak from %s to %s: %zu timer occurrences due, %d timers refused\n",
               LocalText(clock_, begin).c_str(), LocalText(clock_, end).c_str(),
               ledger_->Expected().size(), refused_);
  std::fflush(out_);
  const std::int64_t changeEvery = std::int64_t{o_.channelChangeMinutes} * 60;
  const std::int64_t shiftEvery = std::int64_t{o_.timeShiftMinutes} * 60;
  // Channel changes and time shift off the hour, where the timers are.
  std::int64_t nextChange = begin + changeEvery + 7 * 60;
  std::int64_t nextShift = begin + shiftEvery + 17 * 60;
  for (std::int64_t now = begin; now <= end; ++now) {
    Step(now);
    if (now >= nextChange) {
      ChangeChannel();
      nextChange += changeEvery;
    }
    if (now >= nextShift) {
      TimeShiftRound();
      nextShift += shiftEvery;
    }
    if ((now - begin) % kHour == 0) SampleHour((now - begin) / kHour);
  }
  // Everything stops as at the program's end.
  scheduler_.reset();
  graph1_->RequestGraphState(0, 0);
  graph2_->RequestGraphState(0, 0);
  graph1_.reset();
  graph2_.reset();
  return Report(std::chrono::duration<double>(Steady::now() - realStart).count());
}

int Soak::Report(double realSeconds) {
  const std::int64_t begin = clock_.UtcFromWallClock(span_.beginWall);
  const std::int64_t end = clock_.UtcFromWallClock(span_.endWall);
  const double simulated = static_cast<double>(end - begin);
  std::fprintf(out_, "\nSimulated %.1f days (%.0f s) in %.1f s of real time: %.0f times faster\n",
               simulated / 86400, simulated, realSeconds, simulated / realSeconds);
  const LedgerSummary s = ledger_->Summarize(end + 1);
  std::fprintf(out_,
               "Timers: %d due, %d started (%d on time), %d finished (%d on time), %d missed, "
               "%d unexpected starts or ends\n",
               s.due, s.started, s.startedOnTime, s.finished, s.finishedOnTime, s.missed,
               s.unexpected);
  std::vector<bool> recorded(ledger_->Expected().size(), false);
  for (const Recording& r : ledger_->Recordings())
    recorded[r.occurrence] = true;
  for (std::size_t i = 0; i < recorded.size(); ++i) {
    const Occurrence& o = ledger_->Expected()[i];
    if (!recorded[i] && o.endUtc <= end) {
      std::fprintf(out_, "  MISSED %s at %s\n", o.name.c_str(),
                   LocalText(clock_, o.startUtc).c_str());
    }
  }
  int unreadable = 0;
  std::uint64_t totalBytes = 0;
  for (const Recording& r : ledger_->Recordings()) {
    const Occurrence& o = ledger_->Expected()[r.occurrence];
    const Readback b = ReadBack(r.file, o_.ffprobe);
    totalBytes += b.bytes;
    if (!b.ok) ++unreadable;
    std::fprintf(out_,
                 "  tuner %d  %-18s %s  start %+" PRId64 " s  end %+" PRId64 " s  %9" PRIu64
                 " bytes  %5" PRIu64 " packs  %4" PRIu64 " video  %4" PRIu64 " audio  %s%s  %s\n",
                 r.graph + 1, o.name.c_str(), LocalText(clock_, r.startedUtc).c_str(),
                 r.startedUtc - o.startUtc, r.finishedUtc < 0 ? -1 : r.finishedUtc - o.endUtc,
                 b.bytes, b.packs, b.videoPayloads, b.audioPayloads,
                 b.ok ? "reads back" : "UNREADABLE",
                 b.probed ? (b.probeOk ? ", ffprobe ok" : ", FFPROBE FAILED") : "",
                 r.file.filename().string().c_str());
  }
  const auto onTuner1 = std::count_if(ledger_->Recordings().begin(), ledger_->Recordings().end(),
                                      [](const Recording& r) { return r.graph == 0; });
  std::fprintf(out_, "Recordings: %zu (%td on tuner 1), %.1f MB in all, %d unreadable\n",
               ledger_->Recordings().size(), onTuner1, Mb(totalBytes), unreadable);
  const Counters& c = counters_;
  std::fprintf(out_,
               "Channel changes: %d (%d across multiplexes), %d with video flowing after %d ms, "
               "%d not made while tuner 1 recorded\n",
               c.zaps, c.zapsAcross, c.zapsWithVideo, o_.dwellMilliseconds, c.zapsRefused);
  std::fprintf(out_,
               "Time shift: %d rounds of pause, rewind, play and live (%d failed calls), %d "
               "skipped\n",
               c.timeShiftRounds, c.timeShiftFailures, c.timeShiftSkipped);
  std::fprintf(out_, "Graph events handled: %" PRIu64 ", real-time stretches: %d\n",
               actions_.traced, c.dwells);

  std::vector<std::string> errors = messages1_.Errors();
  for (const std::string& e : messages2_.Errors())
    errors.push_back(e);
  for (const std::string& n : shell_.notices)
    errors.push_back(n);
  for (const std::string& e : errors)
    std::fprintf(out_, "  ERROR: %s\n", e.c_str());

  // Memory: a day of warm-up and day-long windows for a week, a sixth of the
  // span otherwise.
  const int window = o_.days >= 3 ? 24 : std::max(1, o_.days * 4);
  std::vector<std::uint64_t> heap;
  std::vector<std::uint64_t> resident;
  for (const MemorySample& m : memory_) {
    heap.push_back(m.heapInUse);
    resident.push_back(m.resident);
  }
  // The curve, a line per simulated day.
  for (std::size_t day = 0; day * 24 + 1 < memory_.size(); ++day) {
    const auto from = memory_.begin() + static_cast<std::ptrdiff_t>(day * 24);
    const auto to =
        memory_.begin() + static_cast<std::ptrdiff_t>(std::min(memory_.size(), (day + 1) * 24 + 1));
    auto [heapLow, heapHigh] = std::minmax_element(
        from, to, [](const auto& a, const auto& b) { return a.heapInUse < b.heapInUse; });
    auto [resLow, resHigh] = std::minmax_element(
        from, to, [](const auto& a, const auto& b) { return a.resident < b.resident; });
    std::fprintf(out_,
                 "  hours %3" PRId64 "-%3" PRId64 ": heap %.1f-%.1f MB, resident %.1f-%.1f MB\n",
                 from->hour, (to - 1)->hour, Mb(heapLow->heapInUse), Mb(heapHigh->heapInUse),
                 Mb(resLow->resident), Mb(resHigh->resident));
  }
  bool flat = true;
  for (const auto& [name, curve] : {std::pair{"heap in use", &heap}, {"resident", &resident}}) {
    const auto f = JudgeFlatness(*curve, window, window, o_.growthLimitPercent);
    if (!f) {
      std::fprintf(out_, "Memory (%s): too few samples to judge\n", name);
      continue;
    }
    std::fprintf(out_,
                 "Memory (%s): first warm %dh max %.1f MB, last %dh max %.1f MB, growth %+.1f %% "
                 "(limit %.0f %%): %s\n",
                 name, window, Mb(f->warmMax), window, Mb(f->lastMax), f->growthPercent,
                 o_.growthLimitPercent, f->flat ? "flat" : "GROWS");
    flat = flat && f->flat;
  }
  const bool ok = refused_ == 0 && s.Clean() && unreadable == 0 && flat && errors.empty();
  std::fprintf(out_, "Soak %s\n", ok ? "passed" : "FAILED");
  if (!o_.keep.empty()) {
    std::error_code ec;
    std::filesystem::create_directories(o_.keep, ec);
    for (const Recording& r : ledger_->Recordings()) {
      std::filesystem::copy_file(r.file, o_.keep / r.file.filename(),
                                 std::filesystem::copy_options::overwrite_existing, ec);
    }
  }
  return ok ? 0 : 1;
}

}  // namespace

int RunSoak(const SoakOptions& options, std::FILE* out) {
  Soak soak(options, out);
  return soak.Run();
}

}  // namespace soak
