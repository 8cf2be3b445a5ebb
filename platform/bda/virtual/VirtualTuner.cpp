#include "platform/bda/virtual/VirtualTuner.h"

namespace vtuner {

VirtualTuner::VirtualTuner(std::shared_ptr<Broadcast> broadcast, Clock& clock)
    : broadcast_(std::move(broadcast)), clock_(clock), pacer_(clock) {}

bool VirtualTuner::Tune(std::uint64_t frequencyHz, common::DemodulatorFamily family) {
  const MultiplexDecl* mux = broadcast_->Find(frequencyHz, family);
  std::unique_ptr<PacketSource> source;
  SignalStatistics statistics;
  std::string error;
  if (!mux) {
    // A carrier of another family on the frequency is present, but this
    // demodulator cannot lock to it.
    for (const auto other : {common::DemodulatorFamily::kVsb, common::DemodulatorFamily::kQam,
                             common::DemodulatorFamily::kCofdm})
      if (broadcast_->Find(frequencyHz, other)) statistics.present = true;
    error =
        "nothing on the air at " + std::to_string(frequencyHz) + " Hz for " + FamilyName(family);
  } else if (mux->quality == 0) {
    statistics.present = true;
    error = "signal too weak to lock";
  } else if ((source = broadcast_->OpenSource(*mux, &error))) {
    statistics = {true, true, mux->quality};
  }
  std::lock_guard lock(mutex_);
  source_ = std::move(source);
  multiplex_ = statistics.locked ? mux : nullptr;
  statistics_ = statistics;
  error_ = std::move(error);
  pacer_.Reset();
  dropout_ = statistics.locked && mux->dropoutAfter >= 0 ? Dropout::kPending : Dropout::kOver;
  return statistics_.locked;
}

void VirtualTuner::Untune() {
  std::lock_guard lock(mutex_);
  source_.reset();
  multiplex_ = nullptr;
  statistics_ = {};
  error_.clear();
  pacer_.Reset();
  dropout_ = Dropout::kOver;
}

SignalStatistics VirtualTuner::Statistics() const {
  std::lock_guard lock(mutex_);
  // A capture that ended is a transmitter gone off the air.
  if (source_ && !source_->Failure().empty()) return {};
  SignalStatistics statistics = statistics_;
  if (dropout_ == Dropout::kActive && clock_.Now() < dropoutEnd_) {
    statistics.locked = false;
    statistics.quality = 0;
  }
  return statistics;
}

bool VirtualTuner::InDropoutLocked() {
  constexpr std::uint64_t kTicksPerSecond = 27'000'000;
  if (dropout_ == Dropout::kPending &&
      pacer_.StreamTime() >= std::uint64_t(multiplex_->dropoutAfter) * kTicksPerSecond) {
    dropout_ = Dropout::kActive;
    dropoutEnd_ = clock_.Now() + std::chrono::seconds(multiplex_->dropoutSeconds);
  }
  // Back on the air where it stopped: the stream itself has no gap.
  if (dropout_ == Dropout::kActive && clock_.Now() >= dropoutEnd_) dropout_ = Dropout::kOver;
  return dropout_ == Dropout::kActive;
}

std::string VirtualTuner::LastError() const {
  std::lock_guard lock(mutex_);
  return error_;
}

const MultiplexDecl* VirtualTuner::Multiplex() const {
  std::lock_guard lock(mutex_);
  return multiplex_;
}

std::size_t VirtualTuner::Read(std::span<std::uint8_t> out) {
  std::optional<std::chrono::nanoseconds> due;
  std::size_t written = 0;
  {
    std::lock_guard lock(mutex_);
    if (!source_ || pacer_.StreamTime() >= broadcast_->StreamHold() || InDropoutLocked()) return 0;
    written = source_->Read(out);
    // Accounted paced or not, so the stream time delivered is known either way.
    if (written > 0) due = pacer_.Account(out.first(written));
  }
  if (due && broadcast_->Paced()) clock_.SleepUntil(*due);
  return written;
}

std::string VirtualTuner::Failure() const {
  std::lock_guard lock(mutex_);
  return source_ ? source_->Failure() : std::string();
}

std::uint64_t VirtualTuner::StreamTime() const {
  std::lock_guard lock(mutex_);
  return pacer_.StreamTime();
}

ReaderLag VirtualTuner::Lag() const {
  std::lock_guard lock(mutex_);
  return pacer_.Lag();
}

void VirtualTuner::RestartPacing() {
  std::lock_guard lock(mutex_);
  pacer_.Reset();
}

}  // namespace vtuner
