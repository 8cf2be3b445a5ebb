// Failures of the kernel interface as result codes with names, and their
// traces: "linuxdvb: FE_SET_PROPERTY on /dev/dvb/adapter0/frontend0: ENODEV
// (No such device), ERROR_DEV_NOT_EXIST".
#pragma once

#include <string>

#include "platform/com/HResult.h"

namespace linuxdvb {

// The result code of a call that returned -errno.
HRESULT KernelResult(int negativeErrno);
// The errno's symbolic name ("ENODEV"), or its number.
std::string ErrnoName(int error);
// Traces the failed call and returns its result code.
HRESULT TraceKernelError(const char* call, const std::string& path, int negativeErrno);

// The device has gone away (unplugged, driver unloaded).
bool IsDeviceGone(int negativeErrno);

}  // namespace linuxdvb
