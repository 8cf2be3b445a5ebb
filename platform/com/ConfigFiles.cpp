#include "platform/com/ConfigFiles.h"

#include <atomic>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace com {
namespace {

class DiskFiles final : public ConfigFiles {
 public:
  std::optional<std::string> Read(const std::string& path) override {
    std::ifstream in(path, std::ios::binary);
    if (!in) return std::nullopt;
    std::ostringstream text;
    text << in.rdbuf();
    return std::move(text).str();
  }

  bool Replace(const std::string& path, std::string_view text) override {
    std::error_code ec;
    std::filesystem::create_directories(std::filesystem::path(path).parent_path(), ec);
    const std::string temp = path + ".new";
    {
      std::ofstream out(temp, std::ios::binary | std::ios::trunc);
      if (!out) return false;
      out.write(text.data(), static_cast<std::streamsize>(text.size()));
      if (!out) return false;
    }
    std::filesystem::rename(temp, path, ec);
    return !ec;
  }

  FileStamp Stamp(const std::string& path) override {
    std::error_code ec;
    FileStamp stamp;
    const auto time = std::filesystem::last_write_time(path, ec);
    if (ec) return FileStamp{};
    stamp.size = std::filesystem::file_size(path, ec);
    if (ec) return FileStamp{};
    stamp.time = time.time_since_epoch().count();
    stamp.exists = true;
    return stamp;
  }
};

std::atomic<ConfigFiles*> gInstalled{nullptr};

}  // namespace

ConfigFiles& TheConfigFiles() {
  static DiskFiles disk;
  ConfigFiles* installed = gInstalled.load();
  return installed != nullptr ? *installed : disk;
}

void SetConfigFiles(ConfigFiles* files) {
  gInstalled.store(files);
}

}  // namespace com
