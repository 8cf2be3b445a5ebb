#include "platform/bda/linuxdvb/KernelError.h"

#include <cerrno>
#include <cstdio>
#include <cstring>

namespace linuxdvb {

HRESULT KernelResult(int negativeErrno) {
  return HRESULT_FROM_WIN32(com::Win32ErrorFromErrno(-negativeErrno));
}

std::string ErrnoName(int error) {
  switch (error) {
    case ENOENT:
      return "ENOENT";
    case ENODEV:
      return "ENODEV";
    case ENXIO:
      return "ENXIO";
    case EBUSY:
      return "EBUSY";
    case EACCES:
      return "EACCES";
    case EPERM:
      return "EPERM";
    case EINVAL:
      return "EINVAL";
    case ENOTTY:
      return "ENOTTY";
    case EOPNOTSUPP:
      return "EOPNOTSUPP";
    case EOVERFLOW:
      return "EOVERFLOW";
    case ETIMEDOUT:
      return "ETIMEDOUT";
    case EAGAIN:
      return "EAGAIN";
    case ENOMEM:
      return "ENOMEM";
    case EIO:
      return "EIO";
    default:
      return "errno " + std::to_string(error);
  }
}

HRESULT TraceKernelError(const char* call, const std::string& path, int negativeErrno) {
  const HRESULT hr = KernelResult(negativeErrno);
  std::printf("linuxdvb: %s on %s: %s (%s), %s\n", call, path.c_str(),
              ErrnoName(-negativeErrno).c_str(), std::strerror(-negativeErrno),
              com::ResultName(hr).c_str());
  return hr;
}

bool IsDeviceGone(int negativeErrno) {
  return negativeErrno == -ENODEV || negativeErrno == -ENXIO || negativeErrno == -ENOENT;
}

}  // namespace linuxdvb
