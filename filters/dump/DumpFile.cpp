#include "filters/dump/DumpFile.h"

#include <cerrno>

#include "platform/com/HResult.h"

namespace filters {

namespace {

constexpr std::uint32_t kGeneralFailure = 31;  // a failure without an error number

std::uint32_t LastError(std::uint32_t fallback) {
  const std::uint32_t error = com::Win32ErrorFromErrno(errno);
  return error != 0 ? error : fallback;
}

}  // namespace

std::uint32_t DumpFile::Open(const std::string& systemName) {
  Close();
  errno = 0;
  file_ = std::fopen(systemName.c_str(), "wb");
  if (file_ == nullptr) return LastError(ERROR_ACCESS_DENIED);
  std::setvbuf(file_, nullptr, _IONBF, 0);
  return 0;
}

std::uint32_t DumpFile::Write(std::span<const std::uint8_t> bytes) {
  if (file_ == nullptr) return ERROR_INVALID_HANDLE;
  if (bytes.empty()) return 0;
  errno = 0;
  if (std::fwrite(bytes.data(), 1, bytes.size(), file_) == bytes.size()) return 0;
  const std::uint32_t error = LastError(kGeneralFailure);
  std::clearerr(file_);
  return error;
}

void DumpFile::Close() {
  if (file_ != nullptr) std::fclose(file_);
  file_ = nullptr;
}

}  // namespace filters
