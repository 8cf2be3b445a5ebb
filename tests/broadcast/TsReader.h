// A small independent transport-stream reader for the simulator's tests:
// checks packets (sync, continuity, PCR order), reassembles sections per PID
// and checks their CRC with its own bitwise CRC-32/MPEG-2.
#pragma once

#include <cstdint>
#include <map>
#include <span>
#include <string>
#include <vector>

namespace broadcast::test {

using Bytes = std::vector<std::uint8_t>;

std::uint32_t BitwiseCrc32(std::span<const std::uint8_t> bytes);

struct PesUnit {
  std::uint16_t pid = 0;
  std::uint64_t pts = 0;
  std::uint64_t dts = 0;
  bool hasPts = false;
  std::size_t firstPacket = 0;  // index of the packet that starts the PES
  Bytes payload;                // the PES payload (elementary stream bytes)
};

struct TsReport {
  std::size_t packets = 0;
  std::size_t nullPackets = 0;
  std::vector<std::string> faults;                       // empty for a clean stream
  std::map<std::uint16_t, std::vector<Bytes>> sections;  // complete, CRC-checked
  std::size_t badCrc = 0;
  std::map<std::uint16_t, std::vector<std::uint64_t>> pcrs;      // 27 MHz, per PID
  std::map<std::uint16_t, std::vector<std::size_t>> pcrPackets;  // packet index of each PCR
  std::map<std::uint16_t, std::vector<PesUnit>> pes;             // complete PES units per PID
};

// `sectionPids`: PIDs whose payload is sections; every other PID with a
// payload start is read as PES.
TsReport ReadTransportStream(std::span<const std::uint8_t> ts,
                             const std::vector<std::uint16_t>& sectionPids);

}  // namespace broadcast::test
