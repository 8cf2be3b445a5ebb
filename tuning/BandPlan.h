// The band plans (common/BandPlan.h) under the tuning names the channel list,
// the scan and the network provider use.
#pragma once

#include "common/BandPlan.h"

namespace tuning {

using common::BdaModulation;
using common::ChannelMap;
using common::ChannelMapValue;
using common::DemodulatorFamily;
using common::ModulationBit;
using common::ModulationMask;
using common::ScanRangeResult;
using common::TuneFrequency;
using enum common::ChannelMapValue;
using enum common::ModulationBit;
using common::kCofdmModes;
using common::kQamModes;
using common::kVsbModes;

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
