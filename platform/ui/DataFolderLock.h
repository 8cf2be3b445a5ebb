// An exclusive lock on a data folder: one running copy per folder, whatever
// path or instance name led to it. The lock is taken on the folder itself
// (its canonical path) and ends with the object or the process.
#pragma once

#include <filesystem>
#include <optional>

namespace ui {

class DataFolderLock {
 public:
  // The lock, or nothing when another holder has it or the folder cannot be
  // opened.
  static std::optional<DataFolderLock> Take(const std::filesystem::path& folder);

  DataFolderLock(DataFolderLock&& other) noexcept;
  DataFolderLock& operator=(DataFolderLock&& other) noexcept;
  ~DataFolderLock();

  // The canonical path of the locked folder.
  const std::filesystem::path& Folder() const { return folder_; }

 private:
  DataFolderLock(int fd, std::filesystem::path folder) : fd_(fd), folder_(std::move(folder)) {}
  int fd_ = -1;
  std::filesystem::path folder_;
};

}  // namespace ui
