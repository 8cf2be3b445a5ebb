// What a decoder has done since it was created: frames out, the first and
// last output times, and the decode errors it counted.
#pragma once

#include <cstdint>
#include <mutex>

#include "platform/media/Interfaces.h"

namespace av {

struct DecoderStats {
  std::uint64_t inputSamples = 0;
  std::uint64_t frames = 0;       // samples delivered downstream
  std::uint64_t timedFrames = 0;  // of them with times
  REFERENCE_TIME firstStart = 0;  // valid when timedFrames > 0
  REFERENCE_TIME lastStart = 0;
  std::uint64_t decodeErrors = 0;  // refused packets and damaged pictures or frames
  std::uint64_t typeChanges = 0;   // output types changed within the stream
  std::uint64_t dropped = 0;       // decoded but not delivered (no buffer, type refused)
};

// The counters behind a decoder's Stats(), shared by its streaming thread
// and whoever asks.
class DecoderCounters {
 public:
  DecoderStats Get() const {
    std::lock_guard lock(mutex_);
    return stats_;
  }
  template <typename F>
  void Update(F&& change) {
    std::lock_guard lock(mutex_);
    change(stats_);
  }
  void Delivered(bool timed, REFERENCE_TIME start) {
    Update([&](DecoderStats& s) {
      ++s.frames;
      if (!timed) return;
      if (s.timedFrames++ == 0) s.firstStart = start;
      s.lastStart = start;
    });
  }

 private:
  mutable std::mutex mutex_;
  DecoderStats stats_;
};

// Traces a decode error: the first ten of a decoder, then every hundredth.
bool ShouldTraceError(std::uint64_t errorCount);

}  // namespace av
