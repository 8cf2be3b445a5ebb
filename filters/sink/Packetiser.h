// Turns sample groups into 2048-byte packs: pack header, one PES packet, and
// a padding packet or PES stuffing that fills the pack exactly.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

namespace filters {

enum class PinType { kVideo = 1, kAudio = 2, kText = 3 };

// One unit handed to packetising: the data of one or more samples of a pin.
struct SampleGroup {
  PinType pin = PinType::kVideo;
  std::int64_t startScr = -1;  // 27 MHz, SCR of the group's first sample
  std::int64_t endScr = -1;    // 27 MHz, SCR of the next group's first sample
  bool hasPts = false;
  std::int64_t pts = -1;
  bool hasDts = false;  // video: a DTS that differs from the PTS
  std::int64_t dts = -1;
  // The pin's stream from the group's first byte on; the group owns the first
  // `bytes` of it, the rest (samples already received after the group) only
  // serves to check AC-3 syncframes that run past the group.
  std::span<const std::uint8_t> stream;
  std::size_t bytes = 0;
};

class Packetiser {
 public:
  // Packs built for one group, contiguous, kPackSize bytes each.
  struct Output {
    std::vector<std::uint8_t> packs;
    std::int64_t firstInterpolatedScr = 0;  // for the file-start pack
    std::size_t PackCount() const;
  };

  // Packetises one group; `out` is cleared first. Audio bytes before the
  // first valid AC-3 syncframe of the sink's life are dropped.
  void Build(const SampleGroup& group, Output& out);

  std::int64_t RunningScr() const { return runningScr_; }
  std::uint64_t Ac3PacksBuilt() const { return ac3Started_; }

 private:
  std::int64_t runningScr_ = -1;
  std::uint64_t ac3Started_ = 0;
};

}  // namespace filters
