// Lock and signal of a frontend: FE_READ_STATUS for lock and carrier, the
// DTV_STAT_SIGNAL_STRENGTH and DTV_STAT_CNR statistics for strength and
// quality, and the older FE_READ_SIGNAL_STRENGTH and FE_READ_SNR where a driver
// has no statistics.
//
// Quality is the carrier-to-noise ratio in percent: 0 dB is 0 %, 30 dB and
// more 100 % (a clean 8-VSB or 256-QAM signal needs about 15 and 28 dB); a
// relative value (0-65535) is scaled to percent. Without lock the quality is 0;
// a locked frontend that measures nothing reports 100 %.
// Strength is in mdB: a decibel value as the driver gives it (0.001 dBm), a
// relative one as (percent - 100) x 1000, so full strength is 0 mdB.
#pragma once

#include <sys/ioctl.h>  // before the DVB headers, which use its macros

#include <linux/dvb/frontend.h>

#include <cstdint>
#include <optional>

#include "platform/bda/linuxdvb/DvbCalls.h"
#include "platform/bda/model/TunerDevice.h"

namespace linuxdvb {

inline constexpr long long kFullQualityCnrMilliDb = 30'000;

// Percent of a DTV_STAT_CNR value; none when the value is not available.
std::optional<LONG> QualityPercent(const dtv_stats& cnr);
// mdB of a DTV_STAT_SIGNAL_STRENGTH value; none when not available.
std::optional<LONG> StrengthMilliDb(const dtv_stats& strength);
// Percent of a 16-bit relative value (0-65535).
LONG RelativePercent(std::uint64_t value);

bda::SignalState ReadSignal(DvbCalls& calls, int frontendFd);

}  // namespace linuxdvb
