#include "platform/com/Module.h"

#include <dlfcn.h>
#include <unistd.h>

#include <climits>
#include <string>

namespace {

thread_local DWORD tLastError = 0;
thread_local std::string tLoaderMessage;

std::string ProgramDirectory() {
  char buf[PATH_MAX];
  const ssize_t n = readlink("/proc/self/exe", buf, sizeof buf - 1);
  if (n <= 0) return {};
  std::string path(buf, static_cast<std::size_t>(n));
  const auto slash = path.rfind('/');
  return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

void* OpenModule(const std::string& path) {
  return dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
}

}  // namespace

HMODULE LoadLibraryA(LPCSTR fileName) {
  if (fileName == nullptr || *fileName == '\0') {
    tLastError = ERROR_INVALID_NAME;
    return nullptr;
  }
  const std::string name(fileName);
  void* handle = nullptr;
  if (name.find('/') == std::string::npos) {
    const std::string dir = ProgramDirectory();
    if (!dir.empty() && access((dir + name).c_str(), F_OK) == 0) handle = OpenModule(dir + name);
  }
  if (handle == nullptr) handle = OpenModule(name);
  if (handle == nullptr) {
    const char* message = dlerror();
    tLoaderMessage = message ? message : "";
    tLastError = ERROR_MOD_NOT_FOUND;
    return nullptr;
  }
  tLastError = 0;
  return reinterpret_cast<HMODULE>(handle);
}

FARPROC GetProcAddress(HMODULE module, LPCSTR procName) {
  if (module == nullptr || procName == nullptr) {
    tLastError = ERROR_INVALID_HANDLE;
    return nullptr;
  }
  dlerror();
  void* symbol = dlsym(reinterpret_cast<void*>(module), procName);
  if (symbol == nullptr) {
    const char* message = dlerror();
    tLoaderMessage = message ? message : "";
    tLastError = ERROR_PROC_NOT_FOUND;
    return nullptr;
  }
  return reinterpret_cast<FARPROC>(symbol);
}

BOOL FreeLibrary(HMODULE module) {
  if (module == nullptr) {
    tLastError = ERROR_INVALID_HANDLE;
    return FALSE;
  }
  return dlclose(reinterpret_cast<void*>(module)) == 0 ? TRUE : FALSE;
}

DWORD GetLastError() {
  return tLastError;
}

void SetLastError(DWORD error) {
  tLastError = error;
}

namespace com {
const char* LastLoaderMessage() {
  return tLoaderMessage.c_str();
}
}  // namespace com
