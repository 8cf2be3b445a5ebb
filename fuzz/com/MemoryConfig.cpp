#include "fuzz/com/MemoryConfig.h"

#include "platform/com/Registry.h"

namespace fuzzing {

MemoryConfig::MemoryConfig() {
  com::SetConfigFiles(this);
  com::SetConfigRoot(kConfigRoot);
}

std::optional<std::string> MemoryConfig::Read(const std::string& path) {
  const auto it = files_.find(path);
  if (it == files_.end()) return std::nullopt;
  return it->second.text;
}

bool MemoryConfig::Replace(const std::string& path, std::string_view text) {
  File& file = files_[path];
  file.text.assign(text);
  file.version = ++version_;
  return true;
}

com::FileStamp MemoryConfig::Stamp(const std::string& path) {
  const auto it = files_.find(path);
  if (it == files_.end()) return {};
  return {it->second.version, it->second.text.size(), true};
}

}  // namespace fuzzing
