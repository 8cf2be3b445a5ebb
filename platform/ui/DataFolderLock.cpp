#include "platform/ui/DataFolderLock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <system_error>
#include <utility>

namespace ui {

std::optional<DataFolderLock> DataFolderLock::Take(const std::filesystem::path& folder) {
  std::error_code ec;
  std::filesystem::path canonical = std::filesystem::canonical(folder, ec);
  if (ec) return std::nullopt;
  const int fd = ::open(canonical.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return std::nullopt;
  // flock belongs to the open file description: a second open of the same
  // folder, in this process or another, is refused while this one holds it.
  if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
    ::close(fd);
    return std::nullopt;
  }
  return DataFolderLock(fd, std::move(canonical));
}

DataFolderLock::DataFolderLock(DataFolderLock&& other) noexcept
    : fd_(std::exchange(other.fd_, -1)), folder_(std::move(other.folder_)) {}

DataFolderLock& DataFolderLock::operator=(DataFolderLock&& other) noexcept {
  if (this != &other) {
    if (fd_ >= 0) ::close(fd_);
    fd_ = std::exchange(other.fd_, -1);
    folder_ = std::move(other.folder_);
  }
  return *this;
}

DataFolderLock::~DataFolderLock() {
  if (fd_ >= 0) ::close(fd_);
}

}  // namespace ui
