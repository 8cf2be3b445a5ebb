// A transport-stream capture to be played: its bytes, in memory or in a file
// that is read as it is played and never held whole. The file's size when it
// was opened is the capture's size; a file that shrinks below it or is removed
// while it is played can no longer give its bytes, and says why.
#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <span>
#include <string>
#include <vector>

namespace vtuner {

// ATSC's 19.39 Mbit/s pace stands in when a capture has no usable PCR.
inline constexpr double kNominalBitsPerSecond = 19'392'658.0;

class Capture {
 public:
  // A capture of bytes held in memory.
  static std::shared_ptr<const Capture> FromBytes(std::span<const std::uint8_t> bytes);
  // Opens a capture file; null and `error` set when it cannot be opened.
  static std::shared_ptr<const Capture> Load(const std::filesystem::path& file, std::string* error);

  ~Capture();
  Capture(const Capture&) = delete;
  Capture& operator=(const Capture&) = delete;

  std::uint64_t Size() const { return size_; }
  // Whether any synchronised 188-byte packet is in it.
  bool HasPackets() const { return hasPackets_; }

  // Fills `out` with the bytes at `offset` (offset + out.size() <= Size()).
  // False with the reason in `error` when the file no longer holds them.
  // Safe to call from several threads at once.
  bool ReadAt(std::uint64_t offset, std::span<std::uint8_t> out, std::string* error) const;

 private:
  Capture() = default;

  std::vector<std::uint8_t> bytes_;  // a capture in memory
  int fd_ = -1;                      // a capture file
  std::string name_;
  std::uint64_t size_ = 0;
  bool hasPackets_ = false;
};

}  // namespace vtuner
