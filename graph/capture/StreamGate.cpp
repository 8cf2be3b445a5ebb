#include "graph/capture/StreamGate.h"

#include <chrono>

#include "platform/bda/virtual/TsPacket.h"

namespace graph {
namespace {

// How long the tuner's Read waits at the shut gate for the controller, which
// opens it again as soon as its once-a-second job is done.
constexpr auto kOpenWait = std::chrono::milliseconds(50);

}  // namespace

StreamGate::StreamGate(std::shared_ptr<const vtuner::Capture> capture)
    : loop_(std::move(capture)) {}

std::size_t StreamGate::Read(std::span<std::uint8_t> out) {
  std::unique_lock lock(mutex_);
  if (!open_ && !ended_ && handler_ && !handlerDone_) {
    const GatePosition position = position_;
    lock.unlock();
    const bool goOn = handler_(position);
    lock.lock();
    if (goOn) {
      OpenLocked();
    } else {
      handlerDone_ = true;
    }
  }
  if (!open_ && !ended_) {
    waiting_ = true;
    atGate_.notify_all();
    // Once the handler is done nothing opens the gate again: the tuner goes
    // back to its own wait, which a stop breaks off.
    if (!handler_ || !handlerDone_) opened_.wait_for(lock, kOpenWait, [this] { return open_; });
  }
  if (!open_ || ended_) return 0;
  using PassEnd = vtuner::CaptureLoop::PassEnd;
  using Halt = vtuner::CaptureLoop::Halt;
  Halt halt = Halt::kNone;
  const std::uint64_t pass = loop_.Pass(), next = loop_.NextPacket();
  const std::size_t bytes =
      loop_.ReadUntil(out, nextSecond_ * vtuner::kPcrHz,
                      crossPassEnd_ ? PassEnd::kCrossThisOne : PassEnd::kStop, &halt);
  // Past the pass end once the stream has moved, whether or not it gave bytes
  // (a later pass of tables alone moves over clock marks it does not deliver).
  if (loop_.Pass() != pass || loop_.NextPacket() != next) crossPassEnd_ = false;
  delivered_ += bytes / vtuner::kPacketSize;
  if (halt == Halt::kNone) return bytes;
  open_ = false;
  position_.bytes = delivered_ * vtuner::kPacketSize;
  switch (halt) {
    case Halt::kTime:
      position_.stop = GateStop::kSecond;
      ++position_.seconds;
      break;
    case Halt::kPassEnd:
      position_.stop = GateStop::kPassEnd;
      ++position_.passes;
      break;
    default:
      position_.stop = GateStop::kEnded;
      ended_ = true;
      atGate_.notify_all();
      break;
  }
  if (bytes == 0) {
    waiting_ = true;
    atGate_.notify_all();
  }
  return bytes;
}

void StreamGate::Open() {
  std::lock_guard lock(mutex_);
  OpenLocked();
}

void StreamGate::OpenLocked() {
  if (ended_) return;
  if (position_.stop == GateStop::kSecond) ++nextSecond_;
  if (position_.stop == GateStop::kPassEnd) crossPassEnd_ = true;
  position_.stop = GateStop::kStart;  // each stop is passed once
  open_ = true;
  waiting_ = false;
  opened_.notify_all();
}

std::optional<GatePosition> StreamGate::WaitAtGate(int timeoutMs) {
  std::unique_lock lock(mutex_);
  if (!atGate_.wait_for(lock, std::chrono::milliseconds(timeoutMs), [this] {
        // With a handler the stream stands still only once it is done.
        return (waiting_ && !open_ && (!handler_ || handlerDone_)) || ended_;
      })) {
    return std::nullopt;
  }
  return position_;
}

std::uint64_t StreamGate::Delivered() const {
  std::lock_guard lock(mutex_);
  return delivered_ * vtuner::kPacketSize;
}

std::string StreamGate::Failure() const {
  std::lock_guard lock(mutex_);
  return loop_.Failure();
}

}  // namespace graph
