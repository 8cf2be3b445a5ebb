#include "tests/support/Psi.h"

#include "tools/broadcast/BitWriter.h"
#include "tools/broadcast/Section.h"

namespace testsupport {

Bytes Pat(std::uint16_t tsid, const std::vector<std::pair<std::uint16_t, std::uint16_t>>& programs,
          std::uint8_t version) {
  broadcast::BitWriter body;
  for (const auto& [program, pid] : programs) {
    body.U16(program);
    body.Reserved(3);
    body.Bits(pid, 13);
  }
  return broadcast::LongSection({.tableId = 0x00, .tableIdExtension = tsid, .version = version},
                                body.Data());
}

Bytes Pmt(std::uint16_t program, std::uint16_t pcrPid, const std::vector<PmtStream>& streams,
          std::uint8_t version, const Bytes& programInfo) {
  broadcast::BitWriter body;
  body.Reserved(3);
  body.Bits(pcrPid, 13);
  body.Reserved(4);
  body.Bits(programInfo.size(), 12);
  body.Append(programInfo);
  for (const PmtStream& s : streams) {
    body.U8(s.type);
    body.Reserved(3);
    body.Bits(s.pid, 13);
    body.Reserved(4);
    body.Bits(s.descriptors.size(), 12);
    body.Append(s.descriptors);
  }
  return broadcast::LongSection({.tableId = 0x02, .tableIdExtension = program, .version = version},
                                body.Data());
}

Bytes WithPointerField(const Bytes& section) {
  Bytes out{0x00};
  out.insert(out.end(), section.begin(), section.end());
  return out;
}

}  // namespace testsupport
