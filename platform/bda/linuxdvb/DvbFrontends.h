// The DVB frontends of the machine as tuners: each /dev/dvb/adapterN/frontendM
// that offers ATSC (8-VSB), North-American cable (QAM annex B) or DVB-T, with
// its demodulator families from the delivery systems it reports
// (DTV_ENUM_DELSYS; drivers too old for it are read from FE_GET_INFO's type
// and capabilities). Frontends of other delivery systems only (satellite, for
// example) are left out. Listed afresh at each call, so an adapter plugged in
// or removed is seen at the next enumeration.
#pragma once

#include <string>
#include <vector>

#include "common/BandPlan.h"
#include "platform/bda/linuxdvb/DvbCalls.h"

namespace linuxdvb {

inline constexpr char kDvbFolder[] = "/dev/dvb";

struct DvbFrontend {
  int adapter = 0;
  int frontend = 0;
  std::string name;  // FE_GET_INFO's name, made unique among the listed frontends
  std::string frontendPath, demuxPath, dvrPath;
  std::vector<common::DemodulatorFamily> families;  // 8-VSB, QAM, COFDM order
};

// In adapter and frontend order. Two frontends of the same name get " #2",
// " #3" ... after the first.
std::vector<DvbFrontend> EnumerateFrontends(DvbCalls& calls);

// The demodulator families of the delivery systems (DTV_ENUM_DELSYS values).
std::vector<common::DemodulatorFamily> FamiliesOfDeliverySystems(
    const std::vector<std::uint32_t>& systems);

}  // namespace linuxdvb
