// Names printed by the table dumps for table identifiers, MGT table types,
// stream types, ATSC service types and descriptor tags.
//
// Each function maps a number to a constant text. The ones that format the
// number into their answer (TableIdName, TableTypeName, ServiceTypeName) use
// one buffer per thread: the text stays valid until the next call of the same
// function on the same thread. The tuning-space and modulation names come from
// tuning/BandPlan.h.
#pragma once

#include <cstdint>

namespace tables {

const char* TableIdName(std::uint8_t tableId);
const char* TableTypeName(std::uint16_t tableType);  // masked to 13 bits
const char* StreamTypeName(std::uint8_t streamType);
const char* ServiceTypeName(std::uint8_t serviceType);  // the 6-bit service_type
const char* DescriptorName(std::uint8_t tag);

}  // namespace tables
