// What is on the air for all virtual tuners of the process: the description,
// the captures opened from it (shared between tuners while any of them plays
// one) and the factory of synthetic multiplexes, once one is plugged in.
#pragma once

#include <atomic>
#include <cstdint>
#include <limits>
#include <map>
#include <memory>
#include <mutex>
#include <string>

#include "platform/bda/virtual/Capture.h"
#include "platform/bda/virtual/Description.h"
#include "platform/bda/virtual/PacketSource.h"

namespace vtuner {

class Broadcast {
 public:
  // Pacing is on when the description asks for it and the environment allows it.
  explicit Broadcast(BroadcastDescription description);

  // Loads the description file; null and `error` ("<file>:<line>: <message>")
  // when it cannot be read or parsed.
  static std::shared_ptr<Broadcast> Load(const std::filesystem::path& file, std::string* error);
  // Load of the file CORVANE_BROADCAST names, or of `fallback` when it is unset.
  static std::shared_ptr<Broadcast> LoadFromEnvironment(const std::filesystem::path& fallback,
                                                        std::string* error);

  const BroadcastDescription& Description() const { return description_; }
  int TunerCount() const { return description_.tuners; }
  bool Paced() const { return paced_; }

  void SetSyntheticSourceFactory(SyntheticSourceFactory factory);

  // Every tuner of the broadcast delivers nothing once it has delivered
  // `ticks` of stream (27 MHz) since its tune, until the hold moves on. On an
  // unpaced broadcast, where a minute of stream passes in moments, a command
  // holds the stream until its recording has opened and stops it at the
  // recording's end, so that the recording holds exactly the time asked for.
  // No hold until one is set.
  void HoldStreamsAt(std::uint64_t ticks) { streamHold_ = ticks; }
  std::uint64_t StreamHold() const { return streamHold_; }

  // The multiplex received at (frequency, family), or null.
  const MultiplexDecl* Find(std::uint64_t frequencyHz, common::DemodulatorFamily family) const {
    return FindMultiplex(description_, frequencyHz, family);
  }

  // A new source playing `mux` from its start; null and `error` when its
  // capture cannot be read, holds no packets, or no synthetic factory knows it.
  std::unique_ptr<PacketSource> OpenSource(const MultiplexDecl& mux, std::string* error);

 private:
  std::shared_ptr<const Capture> OpenCapture(const std::filesystem::path& file, std::string* error);

  const BroadcastDescription description_;
  const bool paced_;
  std::atomic<std::uint64_t> streamHold_{std::numeric_limits<std::uint64_t>::max()};
  std::mutex mutex_;
  SyntheticSourceFactory synthetic_;
  std::map<std::filesystem::path, std::weak_ptr<const Capture>> captures_;
};

}  // namespace vtuner
