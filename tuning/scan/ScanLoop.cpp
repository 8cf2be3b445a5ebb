#include "tuning/scan/ScanLoop.h"

namespace tuning {

void ScanLoop::Start(std::uint8_t first, std::uint8_t last, bool slow) {
  if (Running() || first == 0) return;
  host_.ClearSections();
  host_.ShowStatus("Scanning", true);
  last_ = last;
  slow_ = slow;
  scanChannel_ = first;
  step_ = Step::kTuning;
  host_.PostScanChannel();
}

void ScanLoop::Stop() {
  if (Running()) Finish(true);
}

void ScanLoop::End() {
  if (Running()) Finish(false);
}

void ScanLoop::OnScanChannel() {
  const int channel = scanChannel_.load();
  if (channel == 0) return;
  host_.ShowChannel(static_cast<std::uint8_t>(channel));
  // A recording that started on this graph owns the tuner: the scan ends
  // where it is rather than moving the recording's channel.
  if (channel > last_ || host_.Recording()) {
    Finish(true);
    return;
  }
  step_ = Step::kTuning;
  host_.TunePhysical(static_cast<std::uint8_t>(channel));
}

void ScanLoop::OnChannelChanged(std::uint8_t physical) {
  if (step_ != Step::kTuning || physical != scanChannel_.load()) return;
  const bool locked = host_.SignalLocked();
  host_.FlushSections();
  if (locked || slow_) {
    step_ = Step::kSettling;
    host_.StartTimer(kSettleTimerBase + physical, kSettleTime);
  } else {
    Advance();
  }
}

void ScanLoop::OnTimer(int id) {
  if (id < kSettleTimerBase) return;
  host_.KillTimer(id);
  const int channel = id - kSettleTimerBase;
  if (step_ != Step::kSettling || channel != scanChannel_.load()) return;
  host_.CollectChannels(static_cast<std::uint8_t>(channel));
  Advance();
}

void ScanLoop::Advance() {
  scanChannel_ = scanChannel_.load() + 1;
  step_ = Step::kTuning;
  host_.PostScanChannel();
}

void ScanLoop::Finish(bool dump) {
  if (dump) host_.WritePsipDump();
  scanChannel_ = 0;
  step_ = Step::kIdle;
  host_.ShowStatus("Finished", false);
  if (!host_.Recording()) host_.ReturnToViewing();
}

}  // namespace tuning
