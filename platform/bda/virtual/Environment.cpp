#include "platform/bda/virtual/Environment.h"

#include <cstdlib>
#include <string_view>

namespace vtuner {

std::filesystem::path BroadcastPathFromEnvironment(const std::filesystem::path& fallback) {
  const char* value = std::getenv(kBroadcastVariable);
  if (!value || !*value) return fallback;
  return value;
}

bool PacingAllowedByEnvironment() {
  const char* value = std::getenv(kPaceVariable);
  if (!value) return true;
  const std::string_view text(value);
  return !(text == "0" || text == "off" || text == "no" || text == "false");
}

}  // namespace vtuner
