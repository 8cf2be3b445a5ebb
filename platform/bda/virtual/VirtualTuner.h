// One virtual tuner device: tuned by frequency and demodulator family, it locks
// only where the broadcast has a multiplex for both, reports the signal, and
// delivers that multiplex's packets to whoever pulls them, in real time by the
// stream's PCR unless pacing is off.
//
// Thread use: Tune/Untune/Statistics from the control side, Read from one
// streaming thread; all of them may run at the same time. Read sleeps for
// pacing without holding the tuner's lock.
#pragma once

#include <cstdint>
#include <memory>
#include <mutex>
#include <span>
#include <string>

#include "platform/bda/virtual/Broadcast.h"
#include "platform/bda/virtual/Clock.h"
#include "platform/bda/virtual/PcrPacer.h"

namespace vtuner {

struct SignalStatistics {
  bool locked = false;   // demodulator locked: packets flow
  bool present = false;  // a carrier is on the frequency (of any family)
  int quality = 0;       // 0-100
};

class VirtualTuner {
 public:
  VirtualTuner(std::shared_ptr<Broadcast> broadcast, Clock& clock = SteadyClock());

  // Tunes to the frequency in hertz (the RF node's value times its multiplier)
  // with the demodulator of `family`. Every tune starts the multiplex from its
  // beginning. Returns whether the tuner locked.
  bool Tune(std::uint64_t frequencyHz, common::DemodulatorFamily family);
  // Leaves the multiplex: no lock, no data.
  void Untune();

  // No lock (and no carrier) once the capture can no longer be read; no lock
  // while the multiplex's dropout lasts.
  SignalStatistics Statistics() const;
  // Why the last tune found nothing to lock to, empty otherwise.
  std::string LastError() const;
  // The multiplex locked to, or null.
  const MultiplexDecl* Multiplex() const;

  // Fills `out` with whole packets (as many as fit) and returns the byte count;
  // 0 without lock (also during a dropout), while the broadcast holds the
  // stream, or when `out` holds less than one packet. Paced, it returns
  // when the last packet given is due.
  std::size_t Read(std::span<std::uint8_t> out);

  // Why the multiplex being received has ended for good (its capture can no
  // longer be read); empty while it delivers.
  std::string Failure() const;

  // The stream time delivered since the tune, in 27 MHz ticks from its first
  // PCR (paced or not): what a controller of an unpaced tuner waits on.
  std::uint64_t StreamTime() const;

  // What a hardware tuner's buffer would have lost to the reader so far
  // (PcrPacer), over every tune.
  ReaderLag Lag() const;

  // Anchors pacing anew at the next PCR, for a stream that was stopped.
  void RestartPacing();

  bool Paced() const { return broadcast_->Paced(); }

 private:
  // The multiplex's lost lock (MultiplexDecl::dropoutAfter): still to come,
  // under way until dropoutEnd_, or over (or none) for this tune.
  enum class Dropout { kPending, kActive, kOver };
  // Moves the dropout on by the stream delivered and the clock; true while
  // it lasts.
  bool InDropoutLocked();

  const std::shared_ptr<Broadcast> broadcast_;
  Clock& clock_;
  mutable std::mutex mutex_;
  std::unique_ptr<PacketSource> source_;
  const MultiplexDecl* multiplex_ = nullptr;
  SignalStatistics statistics_;
  std::string error_;
  PcrPacer pacer_;
  Dropout dropout_ = Dropout::kOver;
  std::chrono::nanoseconds dropoutEnd_{};
};

}  // namespace vtuner
