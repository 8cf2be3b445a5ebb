// The small file interface the programme-stream writer and reader work through.
//
// The standard implementation writes real files; tests substitute one that
// runs out of space, so a full disk can be exercised without a full disk.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <string>

namespace filters {

// A file opened for writing (created or replaced, shared for reading and
// deleting by others).
class WriteFile {
 public:
  virtual ~WriteFile() = default;
  // Writes all bytes at the current position; false when not all were written.
  virtual bool Write(std::span<const std::uint8_t> bytes) = 0;
  // Moves the write position back to `size` and cuts the file there (after a
  // failed write, so a partial pack never stays in the file).
  virtual bool Truncate(std::uint64_t size) = 0;
  // Closes the file; false when buffered data could not be written.
  virtual bool Close() = 0;
};

// A file opened for reading; it may still be growing.
class ReadFile {
 public:
  virtual ~ReadFile() = default;
  // Current size in bytes (re-measured on every call).
  virtual std::uint64_t Size() = 0;
  // Reads up to out.size() bytes at `offset`; returns the count read.
  virtual std::size_t ReadAt(std::uint64_t offset, std::span<std::uint8_t> out) = 0;
};

class FileSystem {
 public:
  virtual ~FileSystem() = default;
  // Creates (or replaces) a file for writing; null when it cannot be created.
  virtual std::unique_ptr<WriteFile> Create(const std::u16string& path) = 0;
  // Opens an existing file for reading; null when it cannot be opened.
  virtual std::unique_ptr<ReadFile> Open(const std::u16string& path) = 0;
  virtual bool Remove(const std::u16string& path) = 0;
  // Replaces a whole small file so that a reader sees either the old or the
  // new contents, never a mixture or a half-written file; on failure the old
  // contents stay.
  virtual bool Replace(const std::u16string& path, std::span<const std::uint8_t> bytes) = 0;
};

// The real file system (process-wide, stateless).
FileSystem& SystemFileSystem();

}  // namespace filters
