// The channel scan as a state machine without a window: it tunes every
// physical channel of a range in turn, tests the lock when the graph reports
// the tune, lets the tables settle for four seconds where there is a signal
// (or everywhere on a slow scan), collects the channels, and returns to
// viewing after the last channel or when stopped.
//
// The owner turns its events into calls: the scan's own "next channel"
// message (OnScanChannel), the graph's "channel changed" message
// (OnChannelChanged) and the settle timer (OnTimer).
#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>

namespace tuning {

// What the scan asks of the graph, the tables and the dialog around it.
class IScanHost {
 public:
  virtual ~IScanHost() = default;
  // Tunes the physical channel on the scan band without remembering it.
  virtual void TunePhysical(std::uint8_t physical) = 0;
  // The tuner's answer to "locked?"; false when it cannot be asked.
  virtual bool SignalLocked() = 0;
  // Delivers what the section buffer holds so far.
  virtual void FlushSections() = 0;
  // Empties the store of received sections before a scan.
  virtual void ClearSections() = 0;
  // Turns the sections of this physical channel into channel records.
  virtual void CollectChannels(std::uint8_t physical) = 0;
  virtual void WritePsipDump() = 0;
  // Tunes the first channel of the list, remembered (nothing when empty).
  virtual void ReturnToViewing() = 0;
  // True while the graph records: a scan must not move its tuner then.
  virtual bool Recording() = 0;
  // The scan's own message to go on with the scan channel, posted so the
  // window's other messages run in between.
  virtual void PostScanChannel() = 0;
  virtual void StartTimer(int id, std::chrono::milliseconds delay) = 0;
  virtual void KillTimer(int id) = 0;
  // Progress for the dialog: the channel being scanned ("Physical Channel:"),
  // and the status text ("Scanning", "Finished").
  virtual void ShowChannel(std::uint8_t physical) = 0;
  virtual void ShowStatus(const char* status, bool scanning) = 0;
};

class ScanLoop {
 public:
  static constexpr int kSettleTimerBase = 107;
  static constexpr std::chrono::milliseconds kSettleTime{4000};

  // `scanChannel` is the graph's scan state: the physical channel being
  // scanned, 0 when no scan runs. The table handlers read it to know that
  // VCTs may create channels.
  ScanLoop(IScanHost& host, std::atomic<int>& scanChannel)
      : host_(host), scanChannel_(scanChannel) {}

  // "Scan": from an empty section store, from `first` to `last` inclusive.
  void Start(std::uint8_t first, std::uint8_t last, bool slow);
  // "Stop": dump, "Finished", back to viewing.
  void Stop();
  // "Close" and "Cancel" while scanning: the scan ends and viewing resumes,
  // without a dump.
  void End();

  void OnScanChannel();
  // The graph carried out a tune to `physical`. Only the tune of the channel
  // being scanned counts, once.
  void OnChannelChanged(std::uint8_t physical);
  void OnTimer(int id);

  bool Running() const { return scanChannel_.load() != 0; }
  std::uint8_t ScanChannel() const { return static_cast<std::uint8_t>(scanChannel_.load()); }

 private:
  enum class Step { kIdle, kTuning, kSettling };

  void Advance();
  void Finish(bool dump);

  IScanHost& host_;
  std::atomic<int>& scanChannel_;
  std::uint8_t last_ = 0;
  bool slow_ = false;
  Step step_ = Step::kIdle;
};

}  // namespace tuning
