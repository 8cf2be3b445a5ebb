// The files a live buffer leaves: its list file ("<32 hex digits>.lst") and
// the chunks the list names. A buffer that goes away takes them along, and a
// start finds those of a buffer that ended without cleaning up (a crash, a
// power cut). Chunks the list keeps for a caller (recordings) always stay.
#pragma once

#include <filesystem>

namespace graph {

// Deletes the chunks `list` names without the keep flag, then the list file.
// A list that cannot be read is deleted alone.
void RemoveListFiles(const std::filesystem::path& list);

// RemoveListFiles for every live-buffer list in `folder`; returns how many.
// Only for a folder no running buffer uses.
int RemoveLeftoverLists(const std::filesystem::path& folder);

// True for a live-buffer list name: 32 hexadecimal digits and ".lst".
bool IsBufferListName(const std::filesystem::path& name);

}  // namespace graph
