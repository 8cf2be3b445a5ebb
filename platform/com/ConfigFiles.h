// Where the registry and profile stores keep their files. The program uses
// the disk; the fuzz harnesses install files held in memory, so a store loads
// and saves an input without touching the file system.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace com {

// What tells that a file was rewritten: on disk its modification time and
// size; `exists` false when there is no file.
struct FileStamp {
  std::int64_t time = 0;
  std::uintmax_t size = 0;
  bool exists = false;
  friend bool operator==(const FileStamp&, const FileStamp&) = default;
};

class ConfigFiles {
 public:
  virtual ~ConfigFiles() = default;
  // The whole file; nothing when it does not exist or cannot be read.
  virtual std::optional<std::string> Read(const std::string& path) = 0;
  // Replaces the file as a whole (on disk: written beside it, then renamed
  // over it, its folder made first); false when it could not be written.
  virtual bool Replace(const std::string& path, std::string_view text) = 0;
  virtual FileStamp Stamp(const std::string& path) = 0;
};

// The files the stores use now: the disk unless SetConfigFiles installed
// others. Set before any store is used; nullptr goes back to the disk.
ConfigFiles& TheConfigFiles();
void SetConfigFiles(ConfigFiles* files);

}  // namespace com
