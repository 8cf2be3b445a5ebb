// DVB times: a 16-bit Modified Julian Date and a BCD hh:mm:ss, in 32-bit
// unsigned arithmetic as the guide stores them.
#pragma once

#include <cstdint>
#include "common/TsConstants.h"

namespace tables {

// BCD hh:mm:ss in seconds (digit weights 36000, 3600, 600, 60, 10, 1).
constexpr std::uint32_t BcdSeconds(std::uint32_t bcd) {
  return ((bcd >> 20) & 0xF) * 36000u + ((bcd >> 16) & 0xF) * 3600u + ((bcd >> 12) & 0xF) * 600u +
         ((bcd >> 8) & 0xF) * 60u + ((bcd >> 4) & 0xF) * 10u + (bcd & 0xF);
}

inline constexpr std::uint32_t kMjdOfUnixEpoch = 40587;
inline constexpr auto kGpsToUnix = static_cast<std::uint32_t>(common::kGpsToUnixSeconds);

// The UTC instant the fields name, in seconds since 1970 (modulo 2^32).
constexpr std::uint32_t DvbUnixTime(std::uint32_t mjd, std::uint32_t bcdTime) {
  return mjd * 86400u + BcdSeconds(bcdTime) - kMjdOfUnixEpoch * 86400u;
}

// The guide's start of a DVB event: the named instant rounded to the nearest
// minute, in GPS seconds.
constexpr std::uint32_t DvbEventStart(std::uint32_t mjd, std::uint32_t bcdTime) {
  return (DvbUnixTime(mjd, bcdTime) + 30u) / 60u * 60u - kGpsToUnix;
}

}  // namespace tables
