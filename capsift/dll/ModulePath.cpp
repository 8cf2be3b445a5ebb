#include "capsift/dll/ModulePath.h"

#include <fstream>
#include <sstream>

namespace capsift {

namespace {

// Something whose address lies in this module's code.
void Anchor() {}

}  // namespace

std::string FindMappedFile(const std::string& maps, std::uintptr_t address) {
  std::istringstream lines(maps);
  std::string line;
  while (std::getline(lines, line)) {
    std::istringstream fields(line);
    std::string range, perms, offset, device, inode;
    if (!(fields >> range >> perms >> offset >> device >> inode)) continue;
    const auto dash = range.find('-');
    if (dash == std::string::npos) continue;
    std::uintptr_t start = 0, end = 0;
    try {
      start = static_cast<std::uintptr_t>(std::stoull(range.substr(0, dash), nullptr, 16));
      end = static_cast<std::uintptr_t>(std::stoull(range.substr(dash + 1), nullptr, 16));
    } catch (const std::exception&) {
      continue;
    }
    if (address < start || address >= end) continue;
    std::string path;
    std::getline(fields >> std::ws, path);
    return path.empty() || path.front() != '/' ? std::string() : path;
  }
  return {};
}

std::string ModulePath() {
  std::ifstream in("/proc/self/maps");
  if (!in) return {};
  std::ostringstream maps;
  maps << in.rdbuf();
  return FindMappedFile(maps.str(), reinterpret_cast<std::uintptr_t>(&Anchor));
}

}  // namespace capsift
