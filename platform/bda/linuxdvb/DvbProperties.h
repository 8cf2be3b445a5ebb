// The DTV properties that tune a frontend to a committed device tune:
//   8-VSB:  SYS_ATSC, VSB_8;
//   QAM:    SYS_DVBC_ANNEX_B, QAM_64, QAM_256 or QAM_AUTO (automatic mode);
//   COFDM:  SYS_DVBT with the bandwidth (0, automatic, when open) and QPSK,
//           QAM_16, QAM_64 or QAM_AUTO, code rates, transmission mode, guard
//           interval and hierarchy automatic;
// then DTV_INVERSION automatic, DTV_FREQUENCY and DTV_TUNE.
//
// The North-American band plans give the tuner the analog picture-carrier
// frequency with the bandwidth open; the kernel expects the channel's centre,
// 1.75 MHz above it. The DVB-T plans give the centre with a bandwidth.
#pragma once

#include <sys/ioctl.h>  // before the DVB headers, which use its macros

#include <linux/dvb/frontend.h>

#include <cstdint>
#include <vector>

#include "platform/bda/model/TunerDevice.h"

namespace linuxdvb {

// Picture carrier to channel centre on the 6 MHz North-American channels.
inline constexpr std::uint64_t kPictureCarrierOffsetHz = 1'750'000;

// The centre frequency the kernel is given for a tune.
std::uint64_t CentreFrequency(const bda::DeviceTune& tune);

// The properties in the order they are sent, after a DTV_CLEAR of their own;
// empty for a family the kernel interface cannot tune (kNone).
std::vector<dtv_property> TuneProperties(const bda::DeviceTune& tune);

}  // namespace linuxdvb
