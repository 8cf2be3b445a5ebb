#include "platform/io/AtomicFile.h"

#include <fstream>
#include <iterator>
#include <vector>

#include "platform/io/AtomicWrite.h"

namespace io {

HRESULT WriteFileAtomically(const std::filesystem::path& path,
                            std::span<const std::uint8_t> bytes) {
  const std::error_code error = WriteFileAtomic(path, bytes);
  if (!error) return S_OK;
  return HRESULT_FROM_WIN32(com::Win32ErrorFromErrno(error.value()));
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
