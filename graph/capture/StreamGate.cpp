#include "graph/capture/StreamGate.h"

#include <chrono>

#include "platform/bda/virtual/TsPacket.h"

namespace graph {
namespace {

constexpr std::uint64_t kBitsPerPacket = vtuner::kPacketSize * 8;

}  // namespace

StreamGate::StreamGate(std::shared_ptr<const vtuner::Capture> capture)
    : capture_(std::move(capture)), loop_(capture_) {
  if (capture_->PcrPid() >= 0) {
    for (std::size_t i = 0; i < capture_->PacketCount(); ++i) {
      const vtuner::PacketFields& f = capture_->Fields(i);
      if (f.pcr == 0 || f.pid != capture_->PcrPid()) continue;
      firstPcr_ = vtuner::ReadPcr(capture_->Packets().data() + i * vtuner::kPacketSize + f.pcr);
      break;
    }
  }
}

std::optional<std::uint64_t> StreamGate::TimeOf(std::uint64_t packet) const {
  const std::size_t count = capture_->PacketCount();
  if (capture_->PcrPid() < 0) {
    // No clock in the capture: it is timed at the nominal rate, as its loop is.
    return packet * kBitsPerPacket * vtuner::kPcrHz /
           static_cast<std::uint64_t>(vtuner::kNominalBitsPerSecond);
  }
  const std::size_t index = static_cast<std::size_t>(packet % count);
  const vtuner::PacketFields& f = capture_->Fields(index);
  if (f.pcr == 0 || f.pid != capture_->PcrPid()) return std::nullopt;
  const std::uint64_t raw =
      vtuner::ReadPcr(capture_->Packets().data() + index * vtuner::kPacketSize + f.pcr);
  const std::uint64_t inPass = (raw + vtuner::kPcrWrap - firstPcr_) % vtuner::kPcrWrap;
  return inPass + packet / count * capture_->LoopLength27();
}

std::size_t StreamGate::Read(std::span<std::uint8_t> out) {
  std::lock_guard lock(mutex_);
  const std::size_t count = capture_->PacketCount();
  if (!open_ || count == 0) {
    waiting_ = true;
    atGate_.notify_all();
    return 0;
  }
  const std::size_t room = out.size() / vtuner::kPacketSize;
  std::size_t taken = 0;
  std::optional<GateStop> stop;
  while (taken < room) {
    const std::uint64_t packet = delivered_ + taken;
    if (packet % count == 0 && packet > 0 && !crossPassEnd_) {
      stop = GateStop::kPassEnd;
      break;
    }
    const auto time = TimeOf(packet);
    if (time && *time >= nextSecond_ * vtuner::kPcrHz) {
      stop = GateStop::kSecond;
      break;
    }
    crossPassEnd_ = false;
    ++taken;
  }
  if (taken > 0) {
    loop_.Read(out.first(taken * vtuner::kPacketSize));
    delivered_ += taken;
  }
  if (stop) {
    open_ = false;
    position_.stop = *stop;
    if (*stop == GateStop::kPassEnd) ++position_.passes;
    if (*stop == GateStop::kSecond) ++position_.seconds;
    position_.bytes = delivered_ * vtuner::kPacketSize;
    if (taken == 0) {
      waiting_ = true;
      atGate_.notify_all();
    }
  }
  return taken * vtuner::kPacketSize;
}

void StreamGate::Open() {
  std::lock_guard lock(mutex_);
  if (position_.stop == GateStop::kSecond) ++nextSecond_;
  if (position_.stop == GateStop::kPassEnd) crossPassEnd_ = true;
  position_.stop = GateStop::kStart;  // each stop is passed once
  open_ = true;
  waiting_ = false;
}

std::optional<GatePosition> StreamGate::WaitAtGate(int timeoutMs) {
  std::unique_lock lock(mutex_);
  if (!atGate_.wait_for(lock, std::chrono::milliseconds(timeoutMs),
                        [this] { return waiting_ && !open_; })) {
    return std::nullopt;
  }
  return position_;
}

}  // namespace graph
