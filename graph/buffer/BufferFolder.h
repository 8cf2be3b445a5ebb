// What a start finds in the buffer folder of a copy that ended without
// cleaning up (a crash, a power cut): the stream-buffer engine's scratch
// folder "TempSBE" with its stub files, and the live-buffer lists with their
// chunks. Only for a copy that holds the data folder's lock; recordings (kept
// chunks) always stay.
#pragma once

#include <filesystem>

namespace graph {

// Empties the scratch folder and removes leftover lists; returns how many
// entries went. An empty path (no folder was found) touches nothing.
int EmptyBufferFolder(const std::filesystem::path& bufferFolder);

}  // namespace graph
