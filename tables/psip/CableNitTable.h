// The cable network information table (table_id 0xC2) decoded once into a
// plain struct: its carrier definitions (subtype 1) or modulation modes
// (subtype 2).
#pragma once

#include <cstdint>
#include <span>
#include <vector>

namespace tables {

struct CarrierDefinition {
  std::uint8_t numberOfCarriers = 0;
  bool spacingUnit = false;  // 125 kHz when set, else 10 kHz
  std::uint16_t frequencySpacing = 0;
  bool frequencyUnit = false;  // 125 kHz when set, else 10 kHz
  std::uint16_t firstCarrierFrequency = 0;
  std::uint8_t descriptorCount = 0;

  std::uint32_t FirstFrequencyHz() const {
    return firstCarrierFrequency * (frequencyUnit ? 125000u : 10000u);
  }
  std::uint32_t SpacingHz() const { return frequencySpacing * (spacingUnit ? 125000u : 10000u); }
};

struct ModulationMode {
  std::uint8_t transmissionSystem = 0;
  std::uint8_t innerCodingMode = 0;
  bool splitBitstreamMode = false;
  std::uint8_t modulationFormat = 0;
  std::uint32_t symbolRate = 0;
  std::uint8_t descriptorCount = 0;
};

struct CableNitTable {
  std::uint8_t protocolVersion = 0;
  std::uint8_t firstIndex = 0;
  std::uint8_t numberOfRecords = 0;
  std::uint8_t transmissionMedium = 0;
  std::uint8_t tableSubtype = 0;  // 1 carrier definitions, 2 modulation modes
  std::vector<CarrierDefinition> carriers;
  std::vector<ModulationMode> modes;
};

// Reads the records (with their descriptors stepped over) that fit before
// the CRC; true when all number_of_records did.
bool DecodeCableNit(std::span<const std::uint8_t> section, CableNitTable& nit);

}  // namespace tables
