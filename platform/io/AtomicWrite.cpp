#include "platform/io/AtomicWrite.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>

namespace io {
namespace {

std::error_code LastError() {
  return {errno, std::generic_category()};
}

void SyncFolder(const std::filesystem::path& folder) {
  const int fd = ::open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd >= 0) {
    ::fsync(fd);
    ::close(fd);
  }
}

}  // namespace

std::error_code WriteFileAtomic(const std::filesystem::path& path,
                                std::span<const std::uint8_t> bytes) {
  std::filesystem::path temp = path;
  temp += ".tmp";
  const int fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
  if (fd < 0) return LastError();
  std::size_t written = 0;
  while (written < bytes.size()) {
    const ssize_t n = ::write(fd, bytes.data() + written, bytes.size() - written);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      if (n == 0) errno = ENOSPC;
      const std::error_code error = LastError();
      ::close(fd);
      ::unlink(temp.c_str());
      return error;
    }
    written += static_cast<std::size_t>(n);
  }
  if (::fsync(fd) != 0 || ::close(fd) != 0) {
    const std::error_code error = LastError();
    ::unlink(temp.c_str());
    return error;
  }
  if (::rename(temp.c_str(), path.c_str()) != 0) {
    const std::error_code error = LastError();
    ::unlink(temp.c_str());
    return error;
  }
  SyncFolder(path.parent_path());
  return {};
}

}  // namespace io
