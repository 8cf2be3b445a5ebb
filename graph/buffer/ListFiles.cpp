#include "graph/buffer/ListFiles.h"

#include <cctype>
#include <fstream>
#include <iterator>
#include <system_error>
#include <vector>

#include "common/Utf16.h"
#include "filters/sink/ChunkList.h"

namespace graph {

bool IsBufferListName(const std::filesystem::path& name) {
  const std::string text = name.filename().string();
  if (text.size() != 36 || !text.ends_with(".lst")) return false;
  for (std::size_t i = 0; i < 32; ++i) {
    if (!std::isxdigit(static_cast<unsigned char>(text[i]))) return false;
  }
  return true;
}

void RemoveListFiles(const std::filesystem::path& list) {
  std::ifstream in(list, std::ios::binary);
  const std::vector<std::uint8_t> bytes((std::istreambuf_iterator<char>(in)),
                                        std::istreambuf_iterator<char>());
  in.close();
  std::error_code ignored;
  if (const auto parsed = filters::ChunkList::Parse(bytes)) {
    for (const filters::ChunkSlot& slot : parsed->slots) {
      if (slot.state != filters::kSlotLive || slot.keep != 0 || slot.Path().empty()) continue;
      std::filesystem::remove(std::filesystem::path(common::ToUtf8(slot.Path())), ignored);
    }
  }
  std::filesystem::remove(list, ignored);
}

int RemoveLeftoverLists(const std::filesystem::path& folder) {
  std::error_code ec;
  std::vector<std::filesystem::path> lists;
  for (const auto& entry : std::filesystem::directory_iterator(folder, ec)) {
    if (entry.is_regular_file(ec) && IsBufferListName(entry.path())) lists.push_back(entry.path());
  }
  for (const auto& list : lists)
    RemoveListFiles(list);
  return static_cast<int>(lists.size());
}

}  // namespace graph
