// The user's folders: the per-user data folder and the video folder, after
// the XDG base-directory and user-dirs conventions.
#pragma once

#include <filesystem>
#include <string>

#include "platform/com/HResult.h"

namespace ui {

struct FolderResult {
  std::filesystem::path path;  // empty on failure
  HRESULT error = S_OK;
};

// $XDG_DATA_HOME (default ~/.local/share) joined with `subPath`, created with
// its parents when missing.
FolderResult DataFolder(const std::filesystem::path& subPath);

// The XDG videos folder (XDG_VIDEOS_DIR of user-dirs.dirs, default ~/Videos),
// created when missing.
FolderResult VideoFolder();

// Creates a folder and its parents; S_OK when it exists afterwards.
HRESULT CreateFolders(const std::filesystem::path& path);

}  // namespace ui
