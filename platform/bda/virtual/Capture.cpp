#include "platform/bda/virtual/Capture.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "platform/bda/virtual/PacketSync.h"

namespace vtuner {

std::shared_ptr<const Capture> Capture::FromBytes(std::span<const std::uint8_t> bytes) {
  std::shared_ptr<Capture> capture(new Capture());
  capture->bytes_.assign(bytes.begin(), bytes.end());
  capture->size_ = bytes.size();
  capture->hasPackets_ = !PacketSync(capture).Peek(1).empty();
  return capture;
}

std::shared_ptr<const Capture> Capture::Load(const std::filesystem::path& file,
                                             std::string* error) {
  const int fd = ::open(file.c_str(), O_RDONLY | O_CLOEXEC);
  struct stat info {};
  if (fd < 0 || ::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
    const int code = fd < 0 ? errno : EISDIR;
    if (fd >= 0) ::close(fd);
    if (error) *error = file.string() + ": " + std::strerror(code);
    return nullptr;
  }
  // The whole file is read once from start to end per pass.
  ::posix_fadvise(fd, 0, 0, POSIX_FADV_SEQUENTIAL);
  std::shared_ptr<Capture> capture(new Capture());
  capture->fd_ = fd;
  capture->name_ = file.string();
  capture->size_ = static_cast<std::uint64_t>(info.st_size);
  PacketSync sync(capture);
  capture->hasPackets_ = !sync.Peek(1).empty();
  if (!sync.Failure().empty()) {
    if (error) *error = sync.Failure();
    return nullptr;
  }
  return capture;
}

Capture::~Capture() {
  if (fd_ >= 0) ::close(fd_);
}

bool Capture::ReadAt(std::uint64_t offset, std::span<std::uint8_t> out, std::string* error) const {
  if (fd_ < 0) {
    std::memcpy(out.data(), bytes_.data() + offset, out.size());
    return true;
  }
  std::size_t done = 0;
  while (done < out.size()) {
    const ssize_t n =
        ::pread(fd_, out.data() + done, out.size() - done, static_cast<off_t>(offset + done));
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) {
      if (error) *error = name_ + ": cannot read the capture: " + std::strerror(errno);
      return false;
    }
    if (n == 0) break;
    done += static_cast<std::size_t>(n);
  }
  // A removed file stays readable while it is open; it ends all the same, as
  // the user took it away.
  struct stat info {};
  const bool statted = ::fstat(fd_, &info) == 0;
  if (statted && info.st_nlink == 0) {
    if (error) *error = name_ + ": the capture was removed while it was played";
    return false;
  }
  const auto now = statted ? static_cast<std::uint64_t>(info.st_size) : offset + done;
  if (done < out.size() || now < size_) {
    if (error)
      *error = name_ + ": the capture shrank from " + std::to_string(size_) + " to " +
               std::to_string(now) + " bytes while it was played";
    return false;
  }
  return true;
}

}  // namespace vtuner
