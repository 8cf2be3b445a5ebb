// The demultiplexer's counters of every PID, kept in pages of 128 PIDs that
// are made when a PID of theirs is first counted: a multiplex uses a few
// dozen of the 8,192 PIDs, and a demultiplexer is made for every tune, scan
// step and file read, so a zeroed table of all of them (384 KiB) is not.
#pragma once

#include <array>
#include <cstdint>
#include <memory>

#include "demux/DemuxTypes.h"

namespace demux {

class PidCounters {
 public:
  // The counters of `pid` (0-0x1FFF), made zero on first use.
  PidStatistics& operator[](std::uint16_t pid) {
    auto& page = pages_[(pid & kMaxPid) >> kPageBits];
    if (!page) page = std::make_unique<Page>();
    return (*page)[pid & kPageMask];
  }
  // The counters of `pid`; all zero when nothing was counted on it.
  const PidStatistics& Get(std::uint16_t pid) const {
    static const PidStatistics kNone;
    const auto& page = pages_[(pid & kMaxPid) >> kPageBits];
    return page ? (*page)[pid & kPageMask] : kNone;
  }

 private:
  static constexpr unsigned kPageBits = 7;
  static constexpr std::uint16_t kPageMask = (1u << kPageBits) - 1;
  using Page = std::array<PidStatistics, std::size_t{1} << kPageBits>;
  static constexpr std::size_t kPages = (kMaxPid + 1) >> kPageBits;
  std::array<std::unique_ptr<Page>, kPages> pages_;
};

}  // namespace demux
