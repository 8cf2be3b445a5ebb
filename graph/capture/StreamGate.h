// A capture played in a loop, as the virtual tuner plays it, that hands out its
// packets one second of stream time at a time. The stream stops at every
// second of the capture's own clock (its PCRs, continued across passes) and at
// the end of every pass, and goes on only when the controller opens the gate
// again, so that a once-a-second job runs on stream time however fast the
// graph moves the bytes.
//
// Read runs on the tuner's streaming thread. At the shut gate it waits a
// little for the controller to open it, and returns 0 (nothing received) when
// it stays shut, which the tuner answers by waiting and asking again. The
// controller thread waits in WaitAtGate until the tuner has asked at the shut
// gate, which means every byte before it has been delivered.
//
// With a stop handler the job runs on the streaming thread instead: when the
// tuner asks at the shut gate (everything before the stop delivered), Read
// calls the handler and opens the gate itself while it returns true, so a
// second of stream costs no hand-over between threads. The controller then
// only waits for the handler's false (or the end) in WaitAtGate.
//
// A capture that can no longer be read ends the stream: the gate stands at
// kEnded for good and Failure() says why.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <span>
#include <string>

#include "platform/bda/virtual/Capture.h"
#include "platform/bda/virtual/CaptureLoop.h"

namespace graph {

enum class GateStop {
  kStart,    // nothing delivered yet
  kSecond,   // a second of stream time is complete
  kPassEnd,  // a pass of the capture is complete
  kEnded,    // the capture can no longer be read
};

struct GatePosition {
  GateStop stop = GateStop::kStart;
  std::uint64_t passes = 0;   // passes completed
  std::uint64_t seconds = 0;  // stream seconds completed
  std::uint64_t bytes = 0;    // bytes delivered
};

class StreamGate {
 public:
  explicit StreamGate(std::shared_ptr<const vtuner::Capture> capture);

  // The passes after the first carry only the tables and the clock (see
  // CaptureLoop::KeepTablesOnly); before the run.
  void KeepTablesOnly(std::size_t byteLimit) { loop_.KeepTablesOnly(byteLimit); }

  // Tuner side: the next packets up to the gate; 0 while the gate is shut.
  std::size_t Read(std::span<std::uint8_t> out);

  // Controller side. Open lets the stream run to its next stop; WaitAtGate
  // waits (at most `timeoutMs`) until the stream stands at a stop with all
  // bytes before it delivered, and tells which.
  void Open();
  std::optional<GatePosition> WaitAtGate(int timeoutMs);

  // Sets the job run at every stop on the streaming thread; before the run.
  using StopHandler = std::function<bool(const GatePosition&)>;
  void SetStopHandler(StopHandler handler) { handler_ = std::move(handler); }

  // Why the stream ended at kEnded.
  std::string Failure() const;
  // Bytes delivered so far.
  std::uint64_t Delivered() const;

 private:
  void OpenLocked();

  vtuner::CaptureLoop loop_;
  StopHandler handler_;
  bool handlerDone_ = false;  // the handler has returned false

  mutable std::mutex mutex_;
  std::condition_variable atGate_;
  std::condition_variable opened_;
  bool open_ = false;
  bool waiting_ = false;       // the tuner asked while the gate was shut
  bool crossPassEnd_ = false;  // the gate at the pass end has been opened
  bool ended_ = false;
  std::uint64_t delivered_ = 0;   // packets
  std::uint64_t nextSecond_ = 1;  // the second whose start is the next stop
  GatePosition position_;
};

}  // namespace graph
