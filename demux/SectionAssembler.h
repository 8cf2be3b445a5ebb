// Reassembles MPEG-2 table sections from the payloads of one PID.
//
// A packet with payload_unit_start_indicator begins with the pointer_field:
// the bytes before the pointer end the section in progress, and new sections
// start after it, back to back, until a 0xFF table_id (stuffing) or the end of
// the payload. Packets without the indicator continue the section in progress;
// bytes after its end are stuffing. A section of more than 4096 bytes, a
// pointer past the payload, or a section cut short by a lost packet or by the
// next pointer is dropped. CRCs are not checked here.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "demux/DemuxTypes.h"

namespace demux {

class SectionAssembler {
 public:
  struct Counters {
    std::uint32_t dropped = 0;    // oversized or truncated sections
    std::uint32_t malformed = 0;  // pointer_field past the payload
  };

  SectionAssembler() : buffer_(kMaxSectionBytes) {}

  // One packet's payload. onSection(std::span<const std::uint8_t>) receives
  // every section completed by it, in order.
  template <class OnSection>
  void Push(std::span<const std::uint8_t> payload, bool unitStart, OnSection&& onSection,
            Counters& counters);

  // A packet was lost: the section in progress cannot be completed.
  void Abort(Counters& counters) {
    if (active_) ++counters.dropped;
    active_ = false;
  }
  // Forgets the section in progress without counting it.
  void Clear() { active_ = false; }
  bool Active() const { return active_; }

 private:
  static constexpr std::size_t kHeaderBytes = 3;

  static std::size_t SectionSize(std::uint8_t b1, std::uint8_t b2) {
    return kHeaderBytes + ((static_cast<std::size_t>(b1) & 0x0F) << 8 | b2);
  }

  // Adds bytes to the section in progress; returns the bytes it used.
  template <class OnSection>
  std::size_t Continue(std::span<const std::uint8_t> bytes, OnSection& onSection,
                       Counters& counters);
  template <class OnSection>
  void StartSections(std::span<const std::uint8_t> bytes, OnSection& onSection, Counters& counters);

  std::vector<std::uint8_t> buffer_;
  std::size_t have_ = 0;
  std::size_t need_ = 0;  // whole section size once the header is in
  bool active_ = false;
};

template <class OnSection>
void SectionAssembler::Push(std::span<const std::uint8_t> payload, bool unitStart,
                            OnSection&& onSection, Counters& counters) {
  if (!unitStart) {
    if (active_) Continue(payload, onSection, counters);
    return;
  }
  if (payload.empty()) {
    ++counters.malformed;
    Abort(counters);
    return;
  }
  const std::size_t pointer = payload[0];
  if (pointer > payload.size() - 1) {
    ++counters.malformed;
    Abort(counters);
    return;
  }
  const auto tail = payload.subspan(1, pointer);
  if (active_) {
    Continue(tail, onSection, counters);
    // The pointer says where the next section starts: one still unfinished
    // there has lost bytes.
    Abort(counters);
  }
  StartSections(payload.subspan(1 + pointer), onSection, counters);
}

template <class OnSection>
std::size_t SectionAssembler::Continue(std::span<const std::uint8_t> bytes, OnSection& onSection,
                                       Counters& counters) {
  std::size_t used = 0;
  if (have_ < kHeaderBytes) {
    const std::size_t n = std::min(kHeaderBytes - have_, bytes.size());
    std::copy_n(bytes.begin(), n, buffer_.begin() + have_);
    have_ += n;
    used = n;
    if (have_ < kHeaderBytes) return used;
    need_ = SectionSize(buffer_[1], buffer_[2]);
    if (need_ > kMaxSectionBytes) {
      ++counters.dropped;
      active_ = false;
      return used;
    }
  }
  const std::size_t n = std::min(need_ - have_, bytes.size() - used);
  std::copy_n(bytes.begin() + used, n, buffer_.begin() + have_);
  have_ += n;
  used += n;
  if (have_ == need_) {
    active_ = false;
    onSection(std::span<const std::uint8_t>(buffer_.data(), need_));
  }
  return used;
}

template <class OnSection>
void SectionAssembler::StartSections(std::span<const std::uint8_t> bytes, OnSection& onSection,
                                     Counters& counters) {
  while (!bytes.empty() && bytes[0] != 0xFF) {
    if (bytes.size() < kHeaderBytes) {
      // The header itself continues in the next packet.
      active_ = true;
      have_ = 0;
      Continue(bytes, onSection, counters);
      return;
    }
    const std::size_t size = SectionSize(bytes[1], bytes[2]);
    if (size > kMaxSectionBytes) {
      // Without a usable length the rest of the payload cannot be split.
      ++counters.dropped;
      return;
    }
    if (size > bytes.size()) {
      active_ = true;
      have_ = 0;
      Continue(bytes, onSection, counters);
      return;
    }
    onSection(bytes.first(size));
    bytes = bytes.subspan(size);
  }
}

}  // namespace demux
