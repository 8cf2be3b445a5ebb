// Per-pin intake of the sink: sample timing (SCR, PTS, DTS in 27 MHz), the
// video sequence-header wait, frame period and picture counter, the held
// sample list and the closing of sample groups.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <span>
#include <vector>

#include "filters/sink/Packetiser.h"

namespace filters {

// A sample as the input pin receives it.
struct InputSample {
  std::span<const std::uint8_t> data;
  bool timed = false;      // the sample carries a start time
  std::int64_t start = 0;  // 100 ns
  std::int64_t stop = 0;
  bool discontinuity = false;
  bool syncPoint = false;  // carried for diagnostics; the multiplexing does not use it
};

inline constexpr std::size_t kMaxHeldSamples = 512;
inline constexpr std::size_t kMaxGroupBytes = 1'000'000;
inline constexpr std::int64_t kDefaultFramePeriod = 450'000;

// Counters for what the intake had to drop or force.
struct IntakeStats {
  std::uint64_t samplesDropped = 0;    // video before a sequence header
  std::uint64_t samplesDiscarded = 0;  // held samples released by a discontinuity
  std::uint64_t forcedGroups = 0;      // groups closed early by the list or byte bound
};

class PinIntake {
 public:
  using GroupSink = std::function<void(const SampleGroup&)>;

  explicit PinIntake(PinType type);

  // Runs the intake of one sample; closed groups go to `emit`. `audioLastDts`
  // is the audio pin's last DTS (video SCRs follow the audio clock).
  void Receive(const InputSample& sample, std::int64_t audioLastDts, const GroupSink& emit);

  // Releases every held sample (pin inactive).
  void Clear();

  PinType Type() const { return type_; }
  std::int64_t LastDts() const { return lastDts_; }
  std::int64_t LastScr() const { return lastScr_; }
  std::int64_t LastPts() const { return lastPts_; }
  std::int64_t FramePeriod() const { return framePeriod_; }
  int PictureCounter() const { return pictureCounter_; }
  bool WaitingForSequence() const { return waitingForSequence_; }
  std::size_t HeldSamples() const { return list_.size(); }
  std::size_t HeldBytes() const { return bytes_.size(); }
  std::uint64_t ByteTotal() const { return byteTotal_; }
  const IntakeStats& Stats() const { return stats_; }

 private:
  struct Entry {
    bool timed = false;
    std::int64_t start = 0, stop = 0;
    std::int64_t scr = -1, dts = -1, pts = -1;
    bool hasDts = false;
    std::int64_t framePeriod = 0;
    std::size_t offset = 0;  // within bytes_
  };

  void EmitGroup(std::size_t entries, std::int64_t endScr, const GroupSink& emit);

  PinType type_;
  std::vector<Entry> list_;
  std::vector<std::uint8_t> bytes_;  // data of the held samples, concatenated
  int timedCount_ = 0;
  std::uint64_t byteTotal_ = 0;
  bool waitingForSequence_;
  std::int64_t framePeriod_ = kDefaultFramePeriod;
  int pictureCounter_ = -1;
  std::int64_t lastScr_ = -1, lastDts_ = -1, lastPts_ = -1, previousScr_ = -1;
  IntakeStats stats_;
};

}  // namespace filters
