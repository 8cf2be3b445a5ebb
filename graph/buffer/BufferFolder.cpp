#include "graph/buffer/BufferFolder.h"

#include "graph/buffer/ListFiles.h"
#include "platform/sbe/StubFiles.h"

namespace graph {

int EmptyBufferFolder(const std::filesystem::path& bufferFolder) {
  if (bufferFolder.empty()) return 0;  // never the file-system root or the working folder
  return sbe::EmptyBackingFolder(bufferFolder) + RemoveLeftoverLists(bufferFolder);
}

}  // namespace graph
