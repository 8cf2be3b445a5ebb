#include "platform/io/AtomicFile.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <fstream>
#include <iterator>
#include <vector>

namespace io {
namespace {

HRESULT LastError() {
  return HRESULT_FROM_WIN32(com::Win32ErrorFromErrno(errno));
}

void SyncFolder(const std::filesystem::path& folder) {
  const int fd = ::open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd >= 0) {
    ::fsync(fd);
    ::close(fd);
  }
}

}  // namespace

HRESULT WriteFileAtomically(const std::filesystem::path& path,
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
      const HRESULT hr = LastError();
      ::close(fd);
      ::unlink(temp.c_str());
      return hr;
    }
    written += static_cast<std::size_t>(n);
  }
  if (::fsync(fd) != 0 || ::close(fd) != 0) {
    const HRESULT hr = LastError();
    ::unlink(temp.c_str());
    return hr;
  }
  if (::rename(temp.c_str(), path.c_str()) != 0) {
    const HRESULT hr = LastError();
    ::unlink(temp.c_str());
    return hr;
  }
  SyncFolder(path.parent_path());
  return S_OK;
}

HRESULT CopyFileAtomically(const std::filesystem::path& from, const std::filesystem::path& to) {
  std::ifstream in(from, std::ios::binary);
  if (!in) return HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND);
  const std::vector<std::uint8_t> bytes{std::istreambuf_iterator<char>(in),
                                        std::istreambuf_iterator<char>()};
  if (in.bad()) return E_FAIL;
  return WriteFileAtomically(to, bytes);
}

}  // namespace io
