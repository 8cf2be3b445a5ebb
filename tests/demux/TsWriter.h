// A small transport-stream writer for building test input: packets with
// adaptation fields and PCRs, sections packed behind pointer fields, and PES
// packets cut into transport packets.
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <utility>
#include <vector>

#include "tests/support/Bytes.h"

namespace demux::test {

using Bytes = std::vector<std::uint8_t>;

struct AdaptationOptions {
  std::optional<std::uint64_t> pcr;  // 27 MHz
  bool discontinuity = false;
  bool randomAccess = false;
};

class TsWriter {
 public:
  // One packet; the payload is padded with adaptation-field stuffing to 188 bytes
  // (it must fit). Uses and advances the PID's continuity counter when a
  // payload is present.
  Bytes Packet(std::uint16_t pid, const Bytes& payload, bool unitStart,
               const AdaptationOptions& adaptation = {});
  // An adaptation-only packet (e.g. to carry a PCR); the counter is not advanced.
  Bytes AdaptationOnly(std::uint16_t pid, const AdaptationOptions& adaptation);
  // A null packet.
  static Bytes Null();

  // Sections packed the way a multiplexer does: each packet that starts a
  // section gets a pointer field; sections follow back to back; the last
  // packet is stuffed with 0xFF.
  Bytes Sections(std::uint16_t pid, const std::vector<Bytes>& sections);

  // A PES packet cut into transport packets. bounded=false writes
  // PES_packet_length 0 (video). The first packet may carry a PCR/RAI.
  Bytes Pes(std::uint16_t pid, std::uint8_t streamId, const Bytes& payload,
            std::optional<std::uint64_t> pts, std::optional<std::uint64_t> dts, bool bounded,
            const AdaptationOptions& first = {});

  void SetCounter(std::uint16_t pid, std::uint8_t counter) { counters_[pid] = counter & 0x0F; }
  std::uint8_t Counter(std::uint16_t pid) { return counters_[pid]; }

 private:
  std::map<std::uint16_t, std::uint8_t> counters_;
};

// A section with the given table_id and `bodySize` bytes after the 3-byte
// header (section_length = bodySize), filled with a recognisable pattern.
Bytes MakeSection(std::uint8_t tableId, std::size_t bodySize, std::uint8_t seed = 0);

// A PAT naming one programme (transport stream 1), and its PMT.
Bytes MakePat(std::uint16_t program, std::uint16_t pmtPid);
Bytes MakePmt(std::uint16_t program, std::uint16_t pcrPid,
              const std::vector<std::pair<std::uint8_t, std::uint16_t>>& streams);

// A PES header + payload.
Bytes MakePes(std::uint8_t streamId, const Bytes& payload, std::optional<std::uint64_t> pts,
              std::optional<std::uint64_t> dts, bool bounded);

using testsupport::Concat;

// Three null packets: the demultiplexer confirms sync over three packets, so
// tests that feed one packet at a time start with these.
Bytes SyncRun();
using testsupport::Pattern;

}  // namespace demux::test
