#include "tools/cli/daemon/DaemonRun.h"

#include <atomic>
#include <chrono>
#include <csignal>
#include <deque>
#include <memory>
#include <mutex>
#include <thread>

#include "app/timers/TimersAnswer.h"
#include "common/Utf16.h"
#include "graph/buffer/BufferFolder.h"
#include "graph/manager/CBDAFilterGraph.h"
#include "graph/manager/RecorderGraph.h"
#include "platform/power/SystemPower.h"
#include "platform/ui/InstanceChannel.h"
#include "recording/Clock.h"
#include "recording/scheduler/Scheduler.h"
#include "tools/cli/session/ToolSession.h"
#include "tuning/ChannelText.h"

namespace cli {
namespace {

std::atomic<bool> gStop{false};

void OnSignal(int) {
  gStop = true;
}

struct Options {
  std::string instance;
  std::string tuner;
  int seconds = 0;  // 0: until a signal
};

bool Parse(std::span<const std::string> args, Options& o) {
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& a = args[i];
    if (i + 1 >= args.size()) return false;
    const std::string& value = args[++i];
    if (a == "--instance") {
      o.instance = value;
    } else if (a == "--tuner") {
      o.tuner = value;
    } else if (a == "--seconds") {
      const auto seconds = tuning::ParseDecimal(value);
      if (!seconds || *seconds <= 0) return false;
      o.seconds = *seconds;
    } else {
      return false;
    }
  }
  return true;
}

// The console in the window's place: notices and errors are lines, nothing
// waits for an answer.
class Console final : public graph::IGraphMessageTarget, public recording::ISchedulerShell {
 public:
  explicit Console(std::FILE* out) : out_(out) {}
  void Post(graph::WindowMessage, std::uint32_t) override {}
  void ShowError(const std::string& text) override { Line(text); }
  void Notice(const std::string& text) override { Line(text); }
  void ShowChannelBanner(int) override {}
  bool AskContinueShutdown() override { return false; }
  void ExitProgram() override { gStop = true; }

 private:
  void Line(const std::string& text) {
    std::fprintf(out_, "%s\n", text.c_str());
    std::fflush(out_);
  }
  std::FILE* out_;
};

// Power notices arrive on the power thread; the scheduler takes them on the
// main loop.
class Notices {
 public:
  void Push(power::PowerNotice notice) {
    std::lock_guard lock(mutex_);
    queue_.push_back(notice);
  }
  std::deque<power::PowerNotice> Take() {
    std::lock_guard lock(mutex_);
    return std::exchange(queue_, {});
  }

 private:
  std::mutex mutex_;
  std::deque<power::PowerNotice> queue_;
};

}  // namespace

int RunDaemon(std::span<const std::string> args, std::FILE* out, std::FILE* err) {
  Options o;
  if (!Parse(args, o)) {
    std::fprintf(err, "usage: corvane-cli daemon %s\n", kDaemonUsage);
    return 2;
  }
  ToolSession session;
  std::string error;
  // The folder is held before its settings are read, and what a copy that
  // ended without cleaning up left in the buffer folder goes.
  if (!session.Claim(common::FromUtf8(o.instance), &error) ||
      !session.Open(common::FromUtf8(o.instance), o.tuner, &error)) {
    std::fprintf(err, "corvane-cli: %s\n", error.c_str());
    return 1;
  }
  graph::EmptyBufferFolder(session.ConfigOfFirstTuner().bufferFolder);
  Console console(out);
  auto graph = std::make_unique<graph::CBDAFilterGraph>(session.ConfigOfFirstTuner(),
                                                        session.Services(&console));
  graph::RecorderGraph recorder(*graph);
  power::SystemPower power;
  Notices notices;
  power.Service().Start([&notices](power::PowerNotice n) { notices.Push(n); });

  const recording::SystemClock clock;
  bool busy = false;
  app::TunerManager& manager = session.Manager();
  recording::Scheduler scheduler(
      {manager.timers, clock, power.Service(), console, session.Channels(), busy});
  scheduler.SetGraphs({&recorder});
  scheduler.AwayModeNotice(power::PowerService::AwayMode());
  scheduler.SetStartupComplete();

  // The timers commands hand their changes over the folder's socket.
  const app::TimersHolder timers{
      {manager.timers, session.Channels(), session.Settings(), scheduler.ConflictLimit(), clock},
      [&] { return session.Save(graph->CurrentChannel()); },
      false};  // nobody edits the list by hand here
  const std::string channel = ui::InstanceChannelPath(session.ClaimedFolder().string());
  std::string channelError;
  const auto server = ui::ChannelServer::Listen(channel, &channelError);
  if (!server) {
    std::fprintf(out, "Timer requests are not taken: socket %s: %s\n", channel.c_str(),
                 channelError.c_str());
  }
  const auto answer = [&](std::optional<std::string_view> request) {
    return app::AnswerTimersRequest(request, timers);
  };
  std::fprintf(out, "Recording timers on %s: %d timer%s\n",
               common::ToUtf8(session.ConfigOfFirstTuner().friendlyName).c_str(),
               manager.timers.count(), manager.timers.count() == 1 ? "" : "s");
  std::fflush(out);

  gStop = false;
  auto oldInt = std::signal(SIGINT, OnSignal);
  auto oldTerm = std::signal(SIGTERM, OnSignal);
  auto oldHup = std::signal(SIGHUP, OnSignal);
  const auto start = std::chrono::steady_clock::now();
  for (int second = 1; !gStop && (o.seconds == 0 || second <= o.seconds); ++second) {
    const auto tick = start + std::chrono::seconds(second);
    // Requests are answered between the ticks; a signal ends the wait.
    while (!gStop && std::chrono::steady_clock::now() < tick) {
      if (server) {
        server->Serve(tick, answer);
      } else {
        std::this_thread::sleep_until(tick);
      }
    }
    if (gStop) break;
    for (power::PowerNotice notice : notices.Take()) {
      if (notice == power::PowerNotice::kSuspend) scheduler.SuspendNotice();
      if (notice == power::PowerNotice::kShutdown) gStop = true;
      power.Service().NoticeHandled(notice);
    }
    graph->MonitorTick();
    scheduler.Tick();
  }
  std::signal(SIGINT, oldInt);
  std::signal(SIGTERM, oldTerm);
  std::signal(SIGHUP, oldHup);

  // A running recording stops as at its end; then everything is saved.
  const std::filesystem::path recorded = graph->RecordingPath();
  graph->RequestGraphState(0, 0);
  if (!recorded.empty()) std::fprintf(out, "Stopped recording \"%s\"\n", recorded.string().c_str());
  power.Service().Stop();
  const tuning::ChannelLocator current = graph->CurrentChannel();
  graph.reset();
  if (!session.Save(current)) {
    std::fprintf(err, "corvane-cli: %s\n", session.SaveError().c_str());
    return 1;
  }
  return 0;
}

}  // namespace cli
