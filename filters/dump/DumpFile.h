// The transport dump's output file: created or truncated, written at its end
// with every byte of every sample, unbuffered so that a full disk is seen by
// the write that meets it.
#pragma once

#include <cstdint>
#include <cstdio>
#include <span>
#include <string>

namespace filters {

class DumpFile {
 public:
  DumpFile() = default;
  ~DumpFile() { Close(); }
  DumpFile(const DumpFile&) = delete;
  DumpFile& operator=(const DumpFile&) = delete;

  // Opens (creating or truncating) the file with this system name; returns 0
  // or the operating-system error number (ERROR_ACCESS_DENIED, ...).
  std::uint32_t Open(const std::string& systemName);
  // Writes all the bytes; 0, or the error number of the failed write
  // (ERROR_DISK_FULL when the disk is full).
  std::uint32_t Write(std::span<const std::uint8_t> bytes);
  void Close();
  bool IsOpen() const { return file_ != nullptr; }

 private:
  std::FILE* file_ = nullptr;
};

}  // namespace filters
