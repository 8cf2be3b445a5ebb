// Programme-specific information for test input, written by the broadcast
// simulator's section writer (header, section_length and CRC as a multiplexer
// writes them): the programme association table and programme map tables.
#pragma once

#include <cstdint>
#include <utility>
#include <vector>

namespace testsupport {

using Bytes = std::vector<std::uint8_t>;

// PAT of transport stream `tsid`: (program_number, PMT PID) pairs.
Bytes Pat(std::uint16_t tsid, const std::vector<std::pair<std::uint16_t, std::uint16_t>>& programs,
          std::uint8_t version = 0);

struct PmtStream {
  std::uint8_t type = 0;
  std::uint16_t pid = 0;
  Bytes descriptors = {};
};

// PMT of one programme.
Bytes Pmt(std::uint16_t program, std::uint16_t pcrPid, const std::vector<PmtStream>& streams,
          std::uint8_t version = 0, const Bytes& programInfo = {});

// The section behind a pointer_field of 0, as the payload of the packet that
// starts it.
Bytes WithPointerField(const Bytes& section);

}  // namespace testsupport
