#include "fuzz/com/ScratchConfig.h"

#include <unistd.h>

#include <fstream>
#include <string>

namespace fuzzing {
namespace {

std::filesystem::path MakeFolder(const char* name) {
  auto folder = std::filesystem::temp_directory_path() /
                ("corvane-" + std::string(name) + "-" + std::to_string(getpid()));
  std::filesystem::create_directories(folder / "registry");
  return folder;
}

}  // namespace

const std::filesystem::path& ConfigFolder() {
  static const std::filesystem::path folder = MakeFolder("config-fuzz");
  return folder;
}

const std::filesystem::path& OtherConfigFolder() {
  static const std::filesystem::path folder = MakeFolder("config-fuzz-other");
  return folder;
}

void WriteFile(const std::filesystem::path& path, std::span<const std::uint8_t> bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(bytes.data()),
            static_cast<std::streamsize>(bytes.size()));
}

}  // namespace fuzzing
