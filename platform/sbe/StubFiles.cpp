#include "platform/sbe/StubFiles.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <string>
#include <system_error>
#include <vector>

namespace sbe {
namespace {

constexpr std::string_view kStubPrefix = "dvr-ms stub ";

// The stub number a name in the buffer folder or TempSBE belongs to: "dvr-ms
// stub NN" and anything after it; -1 for other names.
int StubNumberOf(const std::string& name) {
  if (name.size() < kStubPrefix.size() + 2 || !name.starts_with(kStubPrefix)) return -1;
  const char tens = name[kStubPrefix.size()];
  const char ones = name[kStubPrefix.size() + 1];
  if (tens < '0' || tens > '9' || ones < '0' || ones > '9') return -1;
  return (tens - '0') * 10 + (ones - '0');
}

}  // namespace

std::filesystem::path StubPath(const std::filesystem::path& folder, int number) {
  char name[32];
  std::snprintf(name, sizeof name, "dvr-ms stub %02d.tmp", number);
  return folder / name;
}

FileLock::~FileLock() {
  if (fd_ >= 0) ::close(fd_);
}

FileLock::FileLock(FileLock&& other) noexcept : fd_(other.fd_) {
  other.fd_ = -1;
}

FileLock& FileLock::operator=(FileLock&& other) noexcept {
  if (this != &other) {
    if (fd_ >= 0) ::close(fd_);
    fd_ = other.fd_;
    other.fd_ = -1;
  }
  return *this;
}

std::optional<FileLock> FileLock::Shared(const std::filesystem::path& path) {
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return std::nullopt;
  if (::flock(fd, LOCK_SH) != 0) {
    ::close(fd);
    return std::nullopt;
  }
  return FileLock(fd);
}

Stub::~Stub() {
  Release();
}

Stub& Stub::operator=(Stub&& other) noexcept {
  if (this != &other) {
    Release();
    path_ = std::move(other.path_);
    lock_ = std::move(other.lock_);
  }
  return *this;
}

void Stub::Release() {
  // Deleted while still locked, so a start-up clearing the folder meanwhile
  // never sees it free.
  if (lock_.Held()) {
    std::error_code ignored;
    std::filesystem::remove(path_, ignored);
    lock_ = FileLock();
  }
}

std::optional<Stub> TakeStub(const std::filesystem::path& folder) {
  for (int number = 0; number < kStubCount; ++number) {
    const std::filesystem::path path = StubPath(folder, number);
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
    if (fd < 0) {
      if (errno == EEXIST) continue;
      return std::nullopt;
    }
    ::close(fd);
    std::optional<FileLock> lock = FileLock::Shared(path);
    if (!lock) {
      std::error_code ignored;
      std::filesystem::remove(path, ignored);
      return std::nullopt;
    }
    return Stub(path, std::move(*lock));
  }
  return std::nullopt;
}

bool IsLocked(const std::filesystem::path& path) {
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return false;
  const bool locked = ::flock(fd, LOCK_EX | LOCK_NB) != 0 && errno == EWOULDBLOCK;
  ::close(fd);
  return locked;
}

int EmptyBackingFolder(const std::filesystem::path& bufferFolder) {
  if (bufferFolder.empty()) return 0;  // never the file-system root
  std::vector<bool> held(kStubCount, false);
  for (int number = 0; number < kStubCount; ++number)
    held[number] = IsLocked(StubPath(bufferFolder, number));

  int removed = 0;
  std::error_code ec;
  std::vector<std::filesystem::path> doomed;
  for (const auto& entry : std::filesystem::directory_iterator(bufferFolder / kBackingFolder, ec)) {
    const int number = StubNumberOf(entry.path().filename().string());
    if (number < 0 || !held[number]) doomed.push_back(entry.path());
  }
  for (int number = 0; number < kStubCount; ++number) {
    if (!held[number] && std::filesystem::exists(StubPath(bufferFolder, number), ec))
      doomed.push_back(StubPath(bufferFolder, number));
  }
  for (const auto& path : doomed)
    removed += static_cast<int>(std::filesystem::remove_all(path, ec) > 0);
  return removed;
}

}  // namespace sbe
