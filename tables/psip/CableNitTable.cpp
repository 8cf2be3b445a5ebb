#include "tables/psip/CableNitTable.h"

#include "tables/sections/SectionReader.h"

namespace tables {
namespace {

constexpr std::size_t kRecordsOffset = 7;

// Steps over `count` descriptors (tag, length, body).
void SkipDescriptors(common::ByteReader& r, unsigned count) {
  for (unsigned d = 0; d < count && r.Ok(); ++d) {
    r.U8();
    r.Skip(r.U8());
  }
}

}  // namespace

bool DecodeCableNit(std::span<const std::uint8_t> section, CableNitTable& nit) {
  nit.carriers.clear();
  nit.modes.clear();
  common::ByteReader head(section);
  head.Skip(3);
  nit.protocolVersion = head.U8();
  nit.firstIndex = head.U8();
  nit.numberOfRecords = head.U8();
  nit.transmissionMedium = static_cast<std::uint8_t>(head.Bits(4));
  nit.tableSubtype = static_cast<std::uint8_t>(head.Bits(4));
  common::ByteReader r = SectionBody(section, kRecordsOffset);
  for (unsigned i = 0; i < nit.numberOfRecords; ++i) {
    if (nit.tableSubtype == 1) {
      CarrierDefinition c;
      c.numberOfCarriers = r.U8();
      c.spacingUnit = r.Flag();
      r.Bits(1);
      c.frequencySpacing = static_cast<std::uint16_t>(r.Bits(14));
      c.frequencyUnit = r.Flag();
      c.firstCarrierFrequency = static_cast<std::uint16_t>(r.Bits(15));
      c.descriptorCount = r.U8();
      SkipDescriptors(r, c.descriptorCount);
      if (!r.Ok()) return false;
      nit.carriers.push_back(c);
    } else if (nit.tableSubtype == 2) {
      ModulationMode m;
      m.transmissionSystem = static_cast<std::uint8_t>(r.Bits(4));
      m.innerCodingMode = static_cast<std::uint8_t>(r.Bits(4));
      m.splitBitstreamMode = r.Flag();
      r.Bits(2);
      m.modulationFormat = static_cast<std::uint8_t>(r.Bits(5));
      r.Bits(4);
      m.symbolRate = static_cast<std::uint32_t>(r.Bits(28));
      m.descriptorCount = r.U8();
      SkipDescriptors(r, m.descriptorCount);
      if (!r.Ok()) return false;
      nit.modes.push_back(m);
    }
  }
  return head.Ok() && r.Ok();
}

}  // namespace tables
