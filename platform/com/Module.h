// Module loading in the roles of LoadLibrary, GetProcAddress and FreeLibrary,
// over dlopen and dlsym, with the last error kept per thread like the
// platform's GetLastError.
#pragma once

#include "platform/com/HResult.h"
#include "platform/com/Types.h"

struct ModuleHandle;
using HMODULE = ModuleHandle*;
using FARPROC = void (*)();

// A bare file name ("capsift.dll") is looked for first in the directory of the
// running program, then where the dynamic loader looks; a name with a '/' is
// opened as given. Null on failure, with GetLastError() = ERROR_MOD_NOT_FOUND.
HMODULE LoadLibraryA(LPCSTR fileName);
// Null when the module has no such export (ERROR_PROC_NOT_FOUND).
FARPROC GetProcAddress(HMODULE module, LPCSTR procName);
BOOL FreeLibrary(HMODULE module);

DWORD GetLastError();
void SetLastError(DWORD error);

namespace com {

// The loader's text for the last failure on this thread (empty when none).
const char* LastLoaderMessage();

// Casts an export to its function type.
template <class F>
F ProcAs(FARPROC proc) {
  return reinterpret_cast<F>(proc);
}

}  // namespace com
