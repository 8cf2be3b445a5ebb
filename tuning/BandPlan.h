// The band plans (common/BandPlan.h) under the tuning names the channel list,
// the scan and the network provider use.
#pragma once

#include "common/BandPlan.h"

namespace tuning {

using common::BdaModulation;
using common::ChannelMap;
using common::DemodulatorFamily;
using common::kAntennaAu;
using common::kAntennaEu;
using common::kAntennaTw;
using common::kAntennaUs;
using common::kCableHrc;
using common::kCableIrc;
using common::kCableStandard;
using common::kCofdmAuto;
using common::kCofdmModes;
using common::kCofdmQam16;
using common::kCofdmQam64;
using common::kCofdmQpsk;
using common::kQam256;
using common::kQam64;
using common::kQamAuto;
using common::kQamModes;
using common::kVsb8;
using common::kVsbAuto;
using common::kVsbModes;
using common::ModulationMask;
using common::ScanRangeResult;
using common::TuneFrequency;

using common::ChannelMapName;
using common::FamilyOf;
using common::ModulationFromLocator;
using common::ModulationName;
using common::ModulationToLocator;
using common::ModulationType;
using common::OfferedChannelMaps;
using common::OfferedModulations;
using common::ResolveFrequency;
using common::ScanRange;

}  // namespace tuning
