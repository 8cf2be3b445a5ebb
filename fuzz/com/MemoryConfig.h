// The registry and profile stores' files held in memory, for their harnesses:
// an input is put in place as a file, and the stores load and save it without
// the file system. Every write gives the file a new stamp, so a store reads a
// file again whenever the harness puts one.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <string_view>

#include "platform/com/ConfigFiles.h"

namespace fuzzing {

inline constexpr const char* kConfigRoot = "/fuzz-config";

class MemoryConfig final : public com::ConfigFiles {
 public:
  // Installs itself for the stores, under kConfigRoot.
  MemoryConfig();

  std::optional<std::string> Read(const std::string& path) override;
  bool Replace(const std::string& path, std::string_view text) override;
  com::FileStamp Stamp(const std::string& path) override;

 private:
  struct File {
    std::string text;
    std::int64_t version = 0;
  };
  std::map<std::string, File, std::less<>> files_;
  std::int64_t version_ = 0;
};

}  // namespace fuzzing
