#include "tools/cli/scan/ScanDriver.h"

#include <algorithm>

#include "common/Utf16.h"
#include "graph/manager/TunerSignal.h"
#include "tables/collect/ChannelCollection.h"
#include "tables/dump/TableDump.h"

namespace cli {
namespace {

constexpr std::uint64_t kTicksPerMillisecond = 27'000;
constexpr auto kPollInterval = std::chrono::seconds(1);

}  // namespace

ScanDriver::ScanDriver(ToolSession& session, tuning::ChannelMap map, tuning::ModulationMask mode,
                       std::FILE* out, std::FILE* err)
    : session_(session), map_(map), mode_(mode), out_(out), err_(err) {}

void ScanDriver::Run(std::uint8_t first, std::uint8_t last, bool slow) {
  loop_.emplace(*this, graph_->ScanChannel());
  paced_ = TunerPaced(*graph_);
  loop_->Start(first, last, slow);
  auto nextPoll = Clock::now() + kPollInterval;
  const auto wait = paced_ ? std::chrono::milliseconds(20) : std::chrono::milliseconds(1);
  while (loop_->Running()) {
    Event event;
    if (WaitEvent(&event, wait)) {
      if (event.scanChannel) {
        loop_->OnScanChannel();
      } else {
        loop_->OnChannelChanged(event.physical);
      }
    }
    // The table poll of the program's one-second tick; unpaced, a second of
    // stream passes in a moment, so it runs at every turn.
    if (!paced_ || Clock::now() >= nextPoll) {
      graph_->MonitorTick();
      nextPoll = Clock::now() + kPollInterval;
    }
    FireDueTimers();
  }
}

void ScanDriver::Post(graph::WindowMessage message, std::uint32_t parameter) {
  if (message != graph::WindowMessage::WM_CHANNEL_CHANGED) return;
  {
    std::lock_guard guard(lock_);
    events_.push_back(Event{false, static_cast<std::uint8_t>(parameter)});
  }
  wake_.notify_one();
}

void ScanDriver::ShowError(const std::string& text) {
  std::fprintf(err_, "corvane-cli: %s\n", text.c_str());
}

bool ScanDriver::WaitEvent(Event* event, std::chrono::milliseconds wait) {
  std::unique_lock guard(lock_);
  if (!wake_.wait_for(guard, wait, [this] { return !events_.empty(); })) return false;
  *event = events_.front();
  events_.pop_front();
  return true;
}

bool ScanDriver::WaitForTune(std::uint8_t physical, std::chrono::milliseconds timeout) {
  const auto until = Clock::now() + timeout;
  Event event;
  while (Clock::now() < until) {
    if (WaitEvent(&event, std::chrono::milliseconds(10)) && !event.scanChannel &&
        event.physical == physical)
      return true;
  }
  return false;
}

void ScanDriver::TunePhysical(std::uint8_t physical) {
  graph_->TunePhysical(physical, static_cast<std::uint8_t>(map_),
                       tuning::ModulationToLocator(mode_));
}

bool ScanDriver::SignalLocked() {
  const bool locked = graph_->SignalLocked();
  long quality = 0;
  if (FAILED(graph::ReadSignalQuality(graph_->Ingest().Tuner(), &quality))) quality = 0;
  progress_ = Progress{loop_->ScanChannel(), locked, static_cast<int>(quality)};
  return locked;
}

void ScanDriver::FlushSections() {
  graph_->MonitorTick();
}

void ScanDriver::ClearSections() {
  session_.Tables().sections.Clear();
}

void ScanDriver::CollectChannels(std::uint8_t physical) {
  // What is still queued belongs to the settle time.
  graph_->MonitorTick();
  tables::TableContext ctx{session_.Tables().sections, session_.Channels(), graph_->Tables()};
  tables::SectionTag where;
  where.tuningSpace = static_cast<std::uint8_t>(map_);
  where.physical = physical;
  where.modulation = static_cast<std::uint16_t>(mode_);
  tables::CollectChannels(ctx, where);
}

void ScanDriver::WritePsipDump() {
  tables::DumpSectionStore(session_.Tables().sections, session_.DataFolder());
}

void ScanDriver::ReturnToViewing() {
  std::optional<tuning::ChannelLocator> first;
  {
    auto lock = session_.Channels().Acquire();
    if (tuning::ChannelNode* node = session_.Channels().First()) first = node->record.locator;
  }
  if (first) graph_->TuneRequest(*first, true);
}

bool ScanDriver::Recording() {
  return graph_->Tuner() == graph::TunerState::kTunerRecording;
}

void ScanDriver::PostScanChannel() {
  PrintProgress();
  {
    std::lock_guard guard(lock_);
    events_.push_back(Event{true, 0});
  }
  wake_.notify_one();
}

void ScanDriver::StartTimer(int id, std::chrono::milliseconds delay) {
  KillTimer(id);
  Timer timer{id, Clock::now() + delay, std::nullopt};
  if (!paced_) {
    // Unpaced: the settle counts stream time. Without a signal there is no
    // stream to count, and the timer runs out at once.
    const std::uint64_t now = TunerStreamTime(*graph_).value_or(0);
    timer.streamDue = graph_->SignalLocked()
                          ? now + static_cast<std::uint64_t>(delay.count()) * kTicksPerMillisecond
                          : 0;
  }
  timers_.push_back(timer);
}

void ScanDriver::KillTimer(int id) {
  std::erase_if(timers_, [id](const Timer& t) { return t.id == id; });
}

void ScanDriver::FireDueTimers() {
  const auto now = Clock::now();
  const std::uint64_t streamNow = paced_ ? 0 : TunerStreamTime(*graph_).value_or(0);
  std::vector<int> due;
  for (const Timer& t : timers_) {
    // The wall time also ends an unpaced settle, should the stream stall.
    if (now >= t.wallDue || (t.streamDue && streamNow >= *t.streamDue)) due.push_back(t.id);
  }
  for (int id : due)
    loop_->OnTimer(id);
}

void ScanDriver::ShowChannel(std::uint8_t) {}

void ScanDriver::ShowStatus(const char* status, bool scanning) {
  if (!scanning) PrintProgress();
  std::fprintf(out_, "%s\n", status);
  std::fflush(out_);
}

void ScanDriver::PrintProgress() {
  if (!progress_) return;
  std::size_t found = 0;
  {
    auto lock = session_.Channels().Acquire();
    found = session_.Channels().size();
  }
  if (progress_->locked) {
    std::fprintf(out_, "Physical channel %3u: locked, signal quality %3d%%, %zu channels\n",
                 progress_->physical, progress_->quality, found);
  } else {
    std::fprintf(out_, "Physical channel %3u: no signal, %zu channels\n", progress_->physical,
                 found);
  }
  std::fflush(out_);
  progress_.reset();
}

}  // namespace cli
