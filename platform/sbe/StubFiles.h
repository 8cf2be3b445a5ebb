// The stub files of the stream buffer: "dvr-ms stub NN.tmp" in the buffer
// folder, one per live buffer, numbered 00 to 99. A stub is taken by creating
// it (exclusively, so two graphs or two program instances never share one)
// and held under a shared lock for as long as its buffer lives; the files of
// that buffer in "TempSBE" carry the stub's name. Start-up clears what no
// running buffer holds: a file whose stub nobody locks belongs to a buffer
// that ended without cleaning up.
#pragma once

#include <filesystem>
#include <optional>

namespace sbe {

inline constexpr int kStubCount = 100;
inline constexpr char kTooManyStubs[] = "Too many stub files in use.";
inline constexpr char kBackingFolder[] = "TempSBE";

// "<folder>/dvr-ms stub NN.tmp".
std::filesystem::path StubPath(const std::filesystem::path& folder, int number);

// A held lock on a file, released (and the descriptor closed) on destruction.
class FileLock {
 public:
  FileLock() = default;
  ~FileLock();
  FileLock(FileLock&& other) noexcept;
  FileLock& operator=(FileLock&& other) noexcept;
  FileLock(const FileLock&) = delete;
  FileLock& operator=(const FileLock&) = delete;

  // Opens `path` (it must exist) and takes a shared lock on it.
  static std::optional<FileLock> Shared(const std::filesystem::path& path);
  bool Held() const { return fd_ >= 0; }

 private:
  explicit FileLock(int fd) : fd_(fd) {}
  int fd_ = -1;
};

// A taken stub: created, locked, and deleted again when this goes.
class Stub {
 public:
  Stub(std::filesystem::path path, FileLock lock)
      : path_(std::move(path)), lock_(std::move(lock)) {}
  ~Stub();
  Stub(Stub&&) = default;
  Stub& operator=(Stub&& other) noexcept;
  Stub(const Stub&) = delete;
  Stub& operator=(const Stub&) = delete;

  const std::filesystem::path& Path() const { return path_; }

 private:
  void Release();

  std::filesystem::path path_;
  FileLock lock_;
};

// Takes the first number 0 to 99 whose stub file does not exist in `folder`;
// nothing when all are taken (or the folder cannot be written).
std::optional<Stub> TakeStub(const std::filesystem::path& folder);

// True while some process holds a lock on `path`.
bool IsLocked(const std::filesystem::path& path);

// Deletes every entry of `bufferFolder`/TempSBE and every stub file of
// `bufferFolder` that no running buffer holds; returns how many went. A
// missing folder is no error.
int EmptyBackingFolder(const std::filesystem::path& bufferFolder);

}  // namespace sbe
