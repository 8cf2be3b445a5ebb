#include "platform/sbe/BufferSettings.h"

#include <string>

namespace sbe {
namespace {

void ReadNumber(HKEY key, const char* name, std::uint32_t* value) {
  DWORD type = REG_NONE;
  DWORD number = 0;
  DWORD size = sizeof number;
  if (RegQueryValueExA(key, name, &type, &number, &size) == ERROR_SUCCESS && type == REG_DWORD)
    *value = number;
}

}  // namespace

BufferSettings BufferSettings::Read(HKEY key) {
  BufferSettings settings;
  if (key == nullptr) return settings;
  std::string directory;
  if (com::RegReadString(key, kDirectoryValue, &directory)) settings.directory = directory;
  ReadNumber(key, kMinimumCountValue, &settings.minimumCount);
  ReadNumber(key, kMaximumCountValue, &settings.maximumCount);
  ReadNumber(key, kFileSecondsValue, &settings.fileSeconds);
  return settings;
}

}  // namespace sbe
