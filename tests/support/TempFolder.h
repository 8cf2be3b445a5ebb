// A scratch folder of the test's own under the system's temporary folder,
// removed with the object. The name holds the running test's name and a
// random part made by mkdtemp, so tests that CTest runs side by side (and the
// same test in another build tree) never share a folder.
#pragma once

#include <cstdint>
#include <filesystem>
#include <span>
#include <string>
#include <string_view>

namespace testsupport {

class TempFolder {
 public:
  explicit TempFolder(std::string_view prefix = "corvane");
  ~TempFolder();
  TempFolder(const TempFolder&) = delete;
  TempFolder& operator=(const TempFolder&) = delete;

  const std::filesystem::path& Path() const { return path_; }
  std::filesystem::path operator/(const std::string& name) const { return path_ / name; }
  // Writes a file in the folder; its path.
  std::filesystem::path Write(const std::string& name, std::span<const std::uint8_t> bytes) const;
  std::filesystem::path WriteText(const std::string& name, std::string_view text) const;

 private:
  std::filesystem::path path_;
};

// A folder the tests of one build tree share for what is costly to make and
// safe to share (files written whole and renamed into place, such as the
// simulator's encoded loops); another build tree has its own.
std::filesystem::path BuildCacheFolder(std::string_view name);

}  // namespace testsupport
