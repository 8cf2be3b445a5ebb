#include "common/BandPlan.h"

#include <array>

namespace common {
namespace {

constexpr std::uint32_t kMHz = 1'000'000;

// North-American broadcast table, carrier form (70 entries).
constexpr std::uint32_t NorthAmerican(int n) {
  if (n >= 2 && n <= 4) return (57 + 6 * (n - 2)) * kMHz;
  if (n == 5) return 79 * kMHz;
  if (n == 6) return 85 * kMHz;
  if (n >= 7 && n <= 13) return (177 + 6 * (n - 7)) * kMHz;
  if (n >= 14 && n <= 69) return (473 + 6 * (n - 14)) * kMHz;
  return 0;
}

// Standard cable table (160 entries).
constexpr std::uint32_t StandardCable(int n) {
  if (n >= 2 && n <= 13) return NorthAmerican(n);
  if (n >= 14 && n <= 22) return (123 + 6 * (n - 14)) * kMHz;
  if (n >= 23 && n <= 94) return (219 + 6 * (n - 23)) * kMHz;
  if (n >= 95 && n <= 99) return (93 + 6 * (n - 95)) * kMHz;
  if (n >= 100 && n <= 158) return (651 + 6 * (n - 100)) * kMHz;
  return 0;
}

// HRC: carriers on multiples of 6.0003 MHz. Channel 1 is kept in the same
// carrier + 1.75 MHz form as every other entry, so that subtracting 1.75 MHz
// gives its standard carrier of 72.0036 MHz.
constexpr std::uint32_t HrcCable(int n) {
  if (n == 1) return 73'753'600;
  if (n < 2 || n > 158) return 0;
  std::uint32_t k = (StandardCable(n) - 3 * kMHz) / (6 * kMHz);
  if (n == 5) k = 13;
  if (n == 6) k = 14;
  return k * 6'000'300u + 1'750'000u;
}

// IRC: standard + 12.5 kHz with a few exceptions; channel 1 in carrier + 1.75 MHz
// form (standard carrier 73.2625 MHz).
constexpr std::uint32_t IrcCable(int n) {
  switch (n) {
    case 1:
      return 75'012'500;
    case 5:
      return 81'012'500;
    case 6:
      return 87'012'500;
    case 42:
      return 333'025'000;
    case 98:
      return 111'025'000;
    case 99:
      return 117'025'000;
    default:
      break;
  }
  if (n < 2 || n > 158) return 0;
  return StandardCable(n) + 12'500;
}

constexpr std::uint32_t European(int n) {
  if (n >= 5 && n <= 12) return 177'500'000u + 7'000'000u * static_cast<std::uint32_t>(n - 5);
  if (n >= 21 && n <= 69) return (474 + 8 * (n - 21)) * kMHz;
  return 0;
}

constexpr std::uint32_t Uhf(int i) {
  return (473 + 6 * i) * kMHz;
}

struct MapInfo {
  const char* name;
  int scanFirst;
  int scanLast;
  int tableSize;  // entries of the map's frequency table
};

constexpr std::array<MapInfo, 7> kMaps = {{
    {"Antenna US", 2, 69, 70},
    {"Cable (Standard)", 2, 135, 160},
    {"Cable (HRC)", 1, 135, 160},
    {"Cable (IRC)", 1, 135, 160},
    {"Antenna EU", 5, 69, 70},
    {"Antenna AU", 5, 69, 70},
    {"Antenna TW", 14, 69, 70},  // UHF table of 56 entries indexed from channel 14
}};

struct ModeInfo {
  ModulationMask bit;
  const char* name;
};

// Order in which names are chosen and modes offered.
constexpr std::array<ModeInfo, 9> kModes = {{
    {kVsbAuto, "VSB:Auto"},
    {kVsb8, "VSB:8-VSB"},
    {kQamAuto, "QAM:Auto"},
    {kQam64, "QAM:64-QAM"},
    {kQam256, "QAM:256-QAM"},
    {kCofdmAuto, "COFDM:AUTO"},
    {kCofdmQpsk, "COFDM:QPSK"},
    {kCofdmQam16, "COFDM:16-QAM"},
    {kCofdmQam64, "COFDM:64-QAM"},
}};

}  // namespace

const char* ChannelMapName(ChannelMap map) {
  return map < kMaps.size() ? kMaps[map].name : "Unknown";
}

const char* ModulationName(ModulationMask mask) {
  for (const auto& mode : kModes) {
    if (mask & mode.bit) return mode.name;
  }
  return "Unknown";
}

std::vector<ChannelMap> OfferedChannelMaps(ModulationMask supported) {
  std::vector<ChannelMap> maps;
  if (supported & kVsbModes) maps.push_back(kAntennaUs);
  if (supported & kQamModes) maps.insert(maps.end(), {kCableStandard, kCableHrc, kCableIrc});
  if (supported & kCofdmModes) maps.insert(maps.end(), {kAntennaEu, kAntennaAu, kAntennaTw});
  return maps;
}

std::vector<ModulationMask> OfferedModulations(ModulationMask supported) {
  std::vector<ModulationMask> modes;
  for (const auto& mode : kModes) {
    if (supported & mode.bit) modes.push_back(mode.bit);
  }
  return modes;
}

ScanRangeResult ScanRange(ChannelMap map) {
  if (map >= kMaps.size()) return {};
  return {kMaps[map].scanFirst, kMaps[map].scanLast};
}

std::optional<TuneFrequency> ResolveFrequency(ChannelMap map, int n) {
  if (map >= kMaps.size()) return std::nullopt;
  if (map == kAntennaTw) {
    if (n < 14 || n - 14 >= 56) return std::nullopt;
    return TuneFrequency{Uhf(n - 14) / 1000, 1000, 6};
  }
  if (n < 0 || n >= kMaps[map].tableSize) return std::nullopt;
  // The North-American and cable plans pass the picture carrier, 1.75 MHz below
  // the stored value, in hertz; an empty entry stays 0 (no signal there).
  auto carrier = [](std::uint32_t stored) -> std::uint32_t {
    return stored == 0 ? 0 : stored - 1'750'000u;
  };
  switch (map) {
    case kAntennaUs:
      return TuneFrequency{carrier(NorthAmerican(n)), 1, -1};
    case kCableStandard:
      return TuneFrequency{carrier(StandardCable(n)), 1, -1};
    case kCableHrc:
      return TuneFrequency{carrier(HrcCable(n)), 1, -1};
    case kCableIrc:
      return TuneFrequency{carrier(IrcCable(n)), 1, -1};
    case kAntennaEu:
      return TuneFrequency{European(n) / 1000, 1000, n < 14 ? 7 : 8};
    case kAntennaAu:
      return TuneFrequency{NorthAmerican(n) / 1000, 1000, 7};
    default:
      return std::nullopt;
  }
}

std::optional<BdaModulation> ModulationType(ModulationMask mask) {
  // A mask with several bits is taken by the bit that names it.
  ModulationMask named = 0;
  for (const auto& mode : kModes) {
    if (mask & mode.bit) {
      named = mode.bit;
      break;
    }
  }
  switch (named) {
    case kVsb8:
      return BdaModulation::k8Vsb;
    case kQam64:
      return BdaModulation::k64Qam;
    case kQam256:
      return BdaModulation::k256Qam;
    case kCofdmQpsk:
      return BdaModulation::kQpsk;
    case kCofdmQam16:
      return BdaModulation::k16Qam;
    case kCofdmQam64:
      return BdaModulation::k64Qam;
    default:
      return std::nullopt;  // automatic modes: the device decides
  }
}

DemodulatorFamily FamilyOf(ModulationMask mask) {
  if (mask & kVsbModes) return DemodulatorFamily::kVsb;
  if (mask & kQamModes) return DemodulatorFamily::kQam;
  if (mask & kCofdmModes) return DemodulatorFamily::kCofdm;
  return DemodulatorFamily::kNone;
}

ModulationMask ModulationFromLocator(ChannelMap map, std::uint8_t stored) {
  if (stored == 0 && (map == kAntennaEu || map == kAntennaAu || map == kAntennaTw)) {
    return kCofdmAuto;
  }
  return stored;
}

std::uint8_t ModulationToLocator(ModulationMask mask) {
  return static_cast<std::uint8_t>(mask);
}

}  // namespace common
