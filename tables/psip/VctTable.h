// The ATSC terrestrial and cable virtual channel tables (table_id 0xC8 and
// 0xC9) decoded once into a plain struct.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "tables/sections/SectionHeader.h"

namespace tables {

struct VctChannel {
  char16_t shortName[7] = {};
  std::uint16_t major = 0;  // 10 bits
  std::uint16_t minor = 0;  // 10 bits
  std::uint8_t modulationMode = 0;
  std::uint32_t carrierFrequency = 0;
  std::uint16_t channelTsid = 0;
  std::uint16_t programNumber = 0;
  std::uint8_t etmLocation = 0;
  bool accessControlled = false;
  bool hidden = false;
  bool pathSelect = false;  // cable only
  bool outOfBand = false;   // cable only
  bool hideGuide = false;
  std::uint8_t serviceType = 0;
  std::uint16_t sourceId = 0;
  std::span<const std::uint8_t> descriptors;
};

struct VctTable {
  SectionHeader header;  // table_id_extension: transport_stream_id
  std::uint8_t protocolVersion = 0;
  std::uint8_t channelCount = 0;     // num_channels_in_section
  std::vector<VctChannel> channels;  // the entries that fit before the CRC
};

// True when num_channels_in_section entries all fit before the CRC.
bool DecodeVct(std::span<const std::uint8_t> section, VctTable& vct);

}  // namespace tables
