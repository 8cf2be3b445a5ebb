// The channel scan driven as the "Channels" dialog drives it, on a console:
// the scan loop's messages and the graph's "channel changed" go through one
// queue, the settle timers and the once-a-second table poll run between them,
// and every scanned physical channel prints one progress line.
//
// Paced, the timers and the poll follow the wall clock as in the program.
// On an unpaced virtual tuner the settle time counts seconds of the received
// stream, and the poll runs as often as the loop turns, so a band scans as
// fast as the tuner delivers.
#pragma once

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <cstdio>
#include <deque>
#include <mutex>
#include <optional>
#include <vector>

#include "graph/manager/CBDAFilterGraph.h"
#include "tools/cli/session/ToolSession.h"
#include "tuning/BandPlan.h"
#include "tuning/scan/ScanLoop.h"

namespace cli {

class ScanDriver final : public tuning::IScanHost, public graph::IGraphMessageTarget {
 public:
  ScanDriver(ToolSession& session, tuning::ChannelMap map, tuning::ModulationMask mode,
             std::FILE* out, std::FILE* err);

  // The graph manager the scan runs on; it reports to this driver.
  void Attach(graph::CBDAFilterGraph* graph) { graph_ = graph; }

  // Scans `first` to `last` and returns when the scan has finished.
  void Run(std::uint8_t first, std::uint8_t last, bool slow);

  // Outside a scan: waits until the graph reports a tune to `physical`.
  bool WaitForTune(std::uint8_t physical, std::chrono::milliseconds timeout);

  // IGraphMessageTarget (from the graph thread)
  void Post(graph::WindowMessage message, std::uint32_t parameter) override;
  void ShowError(const std::string& text) override;

  // IScanHost
  void TunePhysical(std::uint8_t physical) override;
  bool SignalLocked() override;
  void FlushSections() override;
  void ClearSections() override;
  void CollectChannels(std::uint8_t physical) override;
  void WritePsipDump() override;
  void ReturnToViewing() override;
  bool Recording() override;
  void PostScanChannel() override;
  void StartTimer(int id, std::chrono::milliseconds delay) override;
  void KillTimer(int id) override;
  void ShowChannel(std::uint8_t physical) override;
  void ShowStatus(const char* status, bool scanning) override;

 private:
  using Clock = std::chrono::steady_clock;
  struct Event {
    bool scanChannel = false;  // else "channel changed"
    std::uint8_t physical = 0;
  };
  struct Timer {
    int id = 0;
    Clock::time_point wallDue;
    std::optional<std::uint64_t> streamDue;  // unpaced: 27 MHz ticks of stream
  };
  // The progress of the channel being scanned, printed when the scan moves on.
  struct Progress {
    std::uint8_t physical = 0;
    bool locked = false;
    int quality = 0;
  };

  bool WaitEvent(Event* event, std::chrono::milliseconds wait);
  void FireDueTimers();
  void PrintProgress();

  ToolSession& session_;
  graph::CBDAFilterGraph* graph_ = nullptr;
  const tuning::ChannelMap map_;
  const tuning::ModulationMask mode_;
  std::FILE* out_;
  std::FILE* err_;
  bool paced_ = true;
  std::optional<tuning::ScanLoop> loop_;

  std::mutex lock_;
  std::condition_variable wake_;
  std::deque<Event> events_;

  std::vector<Timer> timers_;
  std::optional<Progress> progress_;
};

}  // namespace cli
