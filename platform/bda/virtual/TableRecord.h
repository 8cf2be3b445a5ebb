// What the later passes of a looped capture carry for a reader of its tables
// and its clock alone (a PSIP dump reads the capture a second time only for
// the sections): the first pass's packets but the null packets and the PES,
// kept in memory with their index in the pass, so that the later passes come
// from memory instead of the capture file. A PES packet that carries a PCR is
// kept as its time alone (its first 12 bytes): it is not delivered, but the
// stream's clock still stops where the full pass would stop it.
//
// A record over its byte limit is dropped (the later passes then read the
// capture again).
#pragma once

#include <bitset>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "platform/bda/virtual/TsPacket.h"

namespace vtuner {

class TableRecord {
 public:
  explicit TableRecord(std::size_t byteLimit);

  // The next packet of the first pass, at `index` in it.
  void Add(const std::uint8_t* packet, std::uint64_t index);
  // The first pass is complete.
  void Finish() { finished_ = true; }

  // Whether the later passes can be played from the record: complete and
  // within its limit.
  bool Usable() const { return finished_ && !overflowed_; }
  std::size_t Size() const { return entries_.size(); }

  struct Packet {
    std::uint64_t index = 0;  // in the pass
    // The packet; of a clock mark only the first 12 bytes, which hold all
    // that times a packet.
    const std::uint8_t* bytes = nullptr;
    bool delivered = false;  // false: a clock mark
  };
  Packet At(std::size_t i) const;

 private:
  static constexpr std::size_t kBlockSize = std::size_t{1} << 20;
  static constexpr std::size_t kMarkSize = 12;  // header, adaptation length and flags, PCR

  struct Entry {
    std::uint64_t index;
    std::uint32_t block;
    std::uint32_t offset;  // the top bit marks a clock mark
  };
  static constexpr std::uint32_t kMarkBit = 0x8000'0000u;

  void Store(const std::uint8_t* bytes, std::size_t length, std::uint64_t index, bool mark);

  std::size_t byteLimit_;
  std::size_t bytes_ = 0;  // held, entries included
  bool finished_ = false;
  bool overflowed_ = false;
  std::bitset<8192> inPes_;  // PIDs whose current unit is a PES packet
  std::vector<Entry> entries_;
  std::vector<std::unique_ptr<std::uint8_t[]>> blocks_;
  std::size_t blockUsed_ = kBlockSize;
};

}  // namespace vtuner
