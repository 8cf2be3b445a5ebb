#include "platform/ui/KnownFolders.h"

#include <cerrno>
#include <cstdlib>
#include <fstream>
#include <system_error>

namespace ui {
namespace {

std::filesystem::path Home() {
  const char* home = std::getenv("HOME");
  return home && *home ? std::filesystem::path(home) : std::filesystem::path();
}

// Reads XDG_VIDEOS_DIR="$HOME/..." from the user-dirs file, if any.
std::filesystem::path VideosFromUserDirs() {
  std::filesystem::path config;
  if (const char* c = std::getenv("XDG_CONFIG_HOME"); c && *c) {
    config = c;
  } else if (!Home().empty()) {
    config = Home() / ".config";
  } else {
    return {};
  }
  std::ifstream in(config / "user-dirs.dirs");
  std::string line;
  const std::string key = "XDG_VIDEOS_DIR=\"";
  while (std::getline(in, line)) {
    if (line.rfind(key, 0) != 0 || line.back() != '"') continue;
    std::string value = line.substr(key.size(), line.size() - key.size() - 1);
    if (value.rfind("$HOME", 0) == 0) value = Home().string() + value.substr(5);
    if (!value.empty() && value.front() == '/') return value;
  }
  return {};
}

}  // namespace

HRESULT CreateFolders(const std::filesystem::path& path) {
  if (path.empty()) return E_INVALIDARG;
  std::error_code ec;
  std::filesystem::create_directories(path, ec);
  if (std::filesystem::is_directory(path)) return S_OK;
  return HRESULT_FROM_WIN32(com::Win32ErrorFromErrno(ec ? ec.value() : ENOTDIR));
}

FolderResult DataFolder(const std::filesystem::path& subPath) {
  std::filesystem::path base;
  if (const char* d = std::getenv("XDG_DATA_HOME"); d && *d && d[0] == '/') {
    base = d;
  } else if (!Home().empty()) {
    base = Home() / ".local" / "share";
  } else {
    return {{}, HRESULT_FROM_WIN32(ERROR_PATH_NOT_FOUND)};
  }
  const std::filesystem::path path = base / subPath;
  if (const HRESULT hr = CreateFolders(path); FAILED(hr)) return {{}, hr};
  return {path, S_OK};
}

FolderResult VideoFolder() {
  std::filesystem::path path = VideosFromUserDirs();
  if (path.empty()) {
    if (Home().empty()) return {{}, HRESULT_FROM_WIN32(ERROR_PATH_NOT_FOUND)};
    path = Home() / "Videos";
  }
  if (const HRESULT hr = CreateFolders(path); FAILED(hr)) return {{}, hr};
  return {path, S_OK};
}

}  // namespace ui
