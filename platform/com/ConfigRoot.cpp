#include <cstdlib>
#include <mutex>
#include <string>

#include "platform/com/Registry.h"

namespace com {
namespace {

std::mutex gRootMutex;
std::string gRootOverride;

}  // namespace

std::string ConfigRoot() {
  {
    std::lock_guard lock(gRootMutex);
    if (!gRootOverride.empty()) return gRootOverride;
  }
  if (const char* dir = std::getenv("CORVANE_CONFIG_DIR"); dir && *dir) return dir;
  if (const char* xdg = std::getenv("XDG_CONFIG_HOME"); xdg && *xdg) {
    return std::string(xdg) + "/Corvane DVR";
  }
  const char* home = std::getenv("HOME");
  return std::string(home && *home ? home : ".") + "/.config/Corvane DVR";
}

void SetConfigRoot(const std::string& folder) {
  std::lock_guard lock(gRootMutex);
  gRootOverride = folder;
}

}  // namespace com
