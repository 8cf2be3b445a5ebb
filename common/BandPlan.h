// Band plans: the channel maps and demodulator modes, their names, what a tuner
// offers, the scan range of each map and the frequency given to the tuner for
// (channel map, physical channel). Numbers of the broadcast standards, used by
// the tuning logic, the tuner platform and the broadcast simulator alike.
#pragma once

#include <cstdint>
#include <optional>
#include <vector>

namespace common {

using ChannelMap = std::uint32_t;      // 0-6
using ModulationMask = std::uint32_t;  // bit set of demodulator modes

// The channel map values.
inline constexpr ChannelMap kAntennaUs = 0;
inline constexpr ChannelMap kCableStandard = 1;
inline constexpr ChannelMap kCableHrc = 2;
inline constexpr ChannelMap kCableIrc = 3;
inline constexpr ChannelMap kAntennaEu = 4;
inline constexpr ChannelMap kAntennaAu = 5;
inline constexpr ChannelMap kAntennaTw = 6;

// The demodulator mode bits of a ModulationMask.
inline constexpr ModulationMask kVsb8 = 0x001;
inline constexpr ModulationMask kQam64 = 0x002;
inline constexpr ModulationMask kQam256 = 0x004;
inline constexpr ModulationMask kVsbAuto = 0x008;
inline constexpr ModulationMask kQamAuto = 0x010;
inline constexpr ModulationMask kCofdmQpsk = 0x020;
inline constexpr ModulationMask kCofdmQam16 = 0x040;
inline constexpr ModulationMask kCofdmQam64 = 0x080;
inline constexpr ModulationMask kCofdmAuto = 0x100;

inline constexpr ModulationMask kVsbModes = 0x009;
inline constexpr ModulationMask kQamModes = 0x016;
inline constexpr ModulationMask kCofdmModes = 0x1E0;

enum class DemodulatorFamily { kVsb, kQam, kCofdm, kNone };

// Modulation types given to a demodulator node.
enum class BdaModulation { k8Vsb, kQpsk, k16Qam, k64Qam, k256Qam };

struct ScanRangeResult {
  int first = 0;
  int last = -1;
};

struct TuneFrequency {
  std::uint32_t frequency = 0;   // already divided by the multiplier
  std::uint32_t multiplier = 1;  // 1 (hertz) or 1000 (kilohertz)
  std::int32_t bandwidth = -1;   // MHz, -1 = not set
};

const char* ChannelMapName(ChannelMap map);
const char* ModulationName(ModulationMask mask);

std::vector<ChannelMap> OfferedChannelMaps(ModulationMask supported);
std::vector<ModulationMask> OfferedModulations(ModulationMask supported);

// First and last physical channel a scan walks; an empty range for unknown maps.
ScanRangeResult ScanRange(ChannelMap map);

// Frequency, multiplier and bandwidth for the tuner's RF node, or nothing when
// the channel lies outside its map's table (or the map is unknown).
std::optional<TuneFrequency> ResolveFrequency(ChannelMap map, int physical);

// The modulation type to give the demodulator, or none for the automatic modes.
std::optional<BdaModulation> ModulationType(ModulationMask mask);
DemodulatorFamily FamilyOf(ModulationMask mask);

// The locator keeps only the low byte of the mode; COFDM "auto" (0x100) does
// not fit, so on the DVB-T maps (4-6) a stored 0 stands for it.
ModulationMask ModulationFromLocator(ChannelMap map, std::uint8_t stored);
std::uint8_t ModulationToLocator(ModulationMask mask);

}  // namespace common
