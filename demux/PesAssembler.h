// Turns the payloads of one PID into elementary-stream samples.
//
// Each PES packet is one unit. Its header may span packets; it is collected in
// a fixed buffer (at most 9 + 255 bytes) and read with the bounds-checked
// reader. PTS and DTS become stream times through the programme clock.
// A unit ends when PES_packet_length bytes have arrived or, for unbounded
// units (length 0, video), when the next unit starts. In Unit delivery the
// payload is gathered into pieces of at most maxSampleBytes and a piece is
// handed out when it is full and more follows, or when the unit ends; in Packet
// delivery each packet's payload bytes go out at once.
//
// The first sample of a unit carries kSampleUnitStart, the times, the sync
// point (random_access_indicator, an MPEG-2 video sequence header at the start
// of the unit, or any audio unit) and, after a lost packet, a reset or at the
// very first unit, kSampleDiscontinuity. After a lost packet the rest of the
// damaged unit is dropped and delivery resumes at the next unit start.
#pragma once

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "demux/DemuxTypes.h"
#include "demux/ProgramClock.h"

namespace demux {

class PesAssembler {
 public:
  PesAssembler(std::uint16_t pid, const OutputConfig& config);

  // One packet's payload. onSample(const Sample&) receives what is ready.
  template <class OnSample>
  void Push(std::span<const std::uint8_t> payload, bool unitStart, bool randomAccess,
            const ProgramClock& clock, OnSample&& onSample, std::uint32_t& errors);

  // End of input: an unbounded unit in progress is complete.
  template <class OnSample>
  void Finish(OnSample&& onSample, std::uint32_t& errors) {
    if (state_ == State::kPayload) FinishUnit(onSample, errors);
    state_ = State::kWaitStart;
  }

  // A packet was lost, or the input was flushed: drop the unit in progress and
  // mark the next unit as a discontinuity.
  void Abort() {
    state_ = State::kWaitStart;
    pieceLen_ = 0;
    discontinuity_ = true;
  }
  void MarkDiscontinuity() { discontinuity_ = true; }

 private:
  enum class State { kWaitStart, kHeader, kPayload, kSkip };
  enum class HeaderStep { kPrefix, kFixed, kOptional };

  static constexpr std::size_t kPrefixBytes = 6;
  static constexpr std::size_t kFixedBytes = 9;
  static constexpr std::size_t kMaxHeaderBytes = kFixedBytes + 255;

  // Called when header_ holds headerNeed_ bytes; moves to the next step.
  void AdvanceHeader(const ProgramClock& clock, std::uint32_t& errors);
  void StartPayload(std::size_t payloadLength);  // 0: unbounded
  std::uint32_t UnitFlags(std::span<const std::uint8_t> firstBytes) const;

  template <class OnSample>
  void Emit(std::span<const std::uint8_t> data, bool last, OnSample& onSample);
  template <class OnSample>
  void AddPayload(std::span<const std::uint8_t> bytes, OnSample& onSample);
  template <class OnSample>
  void FinishUnit(OnSample& onSample, std::uint32_t& errors) {
    if (bounded_ && remaining_ > 0) ++errors;  // cut short by the next unit
    if (delivery_ == EsDelivery::kUnit) {
      Emit(std::span<const std::uint8_t>(piece_.data(), pieceLen_), true, onSample);
      pieceLen_ = 0;
    }
    state_ = State::kWaitStart;
  }

  const std::uint16_t pid_;
  const EsDelivery delivery_;
  const std::size_t maxSampleBytes_;

  State state_ = State::kWaitStart;
  HeaderStep step_ = HeaderStep::kPrefix;
  std::array<std::uint8_t, kMaxHeaderBytes> header_{};
  std::size_t headerHave_ = 0;
  std::size_t headerNeed_ = 0;

  // The unit in progress.
  Sample unit_;  // times, stream id and pid for the unit's first sample
  bool unitRandomAccess_ = false;
  bool firstSample_ = true;
  bool bounded_ = false;
  std::size_t remaining_ = 0;
  bool discontinuity_ = true;

  std::vector<std::uint8_t> piece_;  // Unit delivery only
  std::size_t pieceLen_ = 0;
};

template <class OnSample>
void PesAssembler::Push(std::span<const std::uint8_t> payload, bool unitStart, bool randomAccess,
                        const ProgramClock& clock, OnSample&& onSample, std::uint32_t& errors) {
  if (unitStart) {
    if (state_ == State::kPayload) FinishUnit(onSample, errors);
    if (state_ == State::kHeader) ++errors;  // a header cut short by the next unit
    state_ = State::kHeader;
    step_ = HeaderStep::kPrefix;
    headerHave_ = 0;
    headerNeed_ = kPrefixBytes;
    unitRandomAccess_ = randomAccess;
  }
  while (state_ == State::kHeader && !payload.empty()) {
    const std::size_t n = std::min(headerNeed_ - headerHave_, payload.size());
    std::copy_n(payload.begin(), n, header_.begin() + headerHave_);
    headerHave_ += n;
    payload = payload.subspan(n);
    if (headerHave_ == headerNeed_) AdvanceHeader(clock, errors);
  }
  if (state_ == State::kPayload) AddPayload(payload, onSample);
}

template <class OnSample>
void PesAssembler::AddPayload(std::span<const std::uint8_t> bytes, OnSample& onSample) {
  if (bounded_) {
    // Bytes past PES_packet_length are not part of the unit.
    if (bytes.size() > remaining_) bytes = bytes.first(remaining_);
    remaining_ -= bytes.size();
  }
  const bool ends = bounded_ && remaining_ == 0;
  if (delivery_ == EsDelivery::kPacket) {
    while (!bytes.empty()) {
      const std::size_t n = std::min(maxSampleBytes_, bytes.size());
      Emit(bytes.first(n), ends && n == bytes.size(), onSample);
      bytes = bytes.subspan(n);
    }
  } else {
    while (!bytes.empty()) {
      // A full piece goes out only when more follows, so the unit's last
      // piece is never empty.
      if (pieceLen_ == maxSampleBytes_) {
        Emit(std::span<const std::uint8_t>(piece_.data(), pieceLen_), false, onSample);
        pieceLen_ = 0;
      }
      const std::size_t n = std::min(maxSampleBytes_ - pieceLen_, bytes.size());
      std::copy_n(bytes.begin(), n, piece_.begin() + pieceLen_);
      pieceLen_ += n;
      bytes = bytes.subspan(n);
    }
    if (ends) {
      Emit(std::span<const std::uint8_t>(piece_.data(), pieceLen_), true, onSample);
      pieceLen_ = 0;
    }
  }
  if (ends) state_ = State::kWaitStart;
}

template <class OnSample>
void PesAssembler::Emit(std::span<const std::uint8_t> data, bool last, OnSample& onSample) {
  if (data.empty()) return;
  Sample sample;
  if (firstSample_) {
    sample = unit_;
    sample.flags |= UnitFlags(data);
    if (discontinuity_) sample.flags |= kSampleDiscontinuity;
    discontinuity_ = false;
    firstSample_ = false;
  } else {
    sample.content = MediaSampleContent::kElementaryStream;
    sample.pid = pid_;
    sample.streamId = unit_.streamId;
  }
  if (last) sample.flags |= kSampleUnitEnd;
  sample.data = data;
  onSample(sample);
}

}  // namespace demux
