#include <cstdio>
#include <filesystem>
#include <system_error>

#include "common/Utf16.h"
#include "filters/sink/FileSystem.h"
#include "platform/io/AtomicFile.h"

namespace filters {
namespace {

std::filesystem::path NativePath(const std::u16string& path) {
  return std::filesystem::path(common::ToUtf8(path));
}

class StdWriteFile final : public WriteFile {
 public:
  StdWriteFile(std::FILE* file, std::filesystem::path path) : file_(file), path_(std::move(path)) {
    // Unbuffered: every Write is one system write, so a failure is seen at
    // once and the position can be moved back cleanly.
    std::setvbuf(file_, nullptr, _IONBF, 0);
  }
  ~StdWriteFile() override { Close(); }

  bool Write(std::span<const std::uint8_t> bytes) override {
    if (file_ == nullptr) return false;
    if (bytes.empty()) return true;
    return std::fwrite(bytes.data(), 1, bytes.size(), file_) == bytes.size();
  }

  bool Truncate(std::uint64_t size) override {
    if (file_ == nullptr) return false;
    std::clearerr(file_);
    const bool moved = std::fseek(file_, static_cast<long>(size), SEEK_SET) == 0;
    std::error_code ec;
    std::filesystem::resize_file(path_, size, ec);  // devices refuse; the seek is enough there
    return moved;
  }

  bool Close() override {
    if (file_ == nullptr) return true;
    const bool ok = std::fclose(file_) == 0;
    file_ = nullptr;
    return ok;
  }

 private:
  std::FILE* file_;
  std::filesystem::path path_;
};

class StdReadFile final : public ReadFile {
 public:
  explicit StdReadFile(std::FILE* file) : file_(file) { std::setvbuf(file_, nullptr, _IONBF, 0); }
  ~StdReadFile() override { std::fclose(file_); }

  std::uint64_t Size() override {
    std::clearerr(file_);
    if (std::fseek(file_, 0, SEEK_END) != 0) return 0;
    const long size = std::ftell(file_);
    return size < 0 ? 0 : static_cast<std::uint64_t>(size);
  }

  std::size_t ReadAt(std::uint64_t offset, std::span<std::uint8_t> out) override {
    std::clearerr(file_);
    if (std::fseek(file_, static_cast<long>(offset), SEEK_SET) != 0) return 0;
    return std::fread(out.data(), 1, out.size(), file_);
  }

 private:
  std::FILE* file_;
};

class SystemFs final : public FileSystem {
 public:
  std::unique_ptr<WriteFile> Create(const std::u16string& path) override {
    auto native = NativePath(path);
    std::FILE* file = std::fopen(native.c_str(), "wb");
    if (file == nullptr) return nullptr;
    return std::make_unique<StdWriteFile>(file, std::move(native));
  }

  std::unique_ptr<ReadFile> Open(const std::u16string& path) override {
    std::FILE* file = std::fopen(NativePath(path).c_str(), "rb");
    if (file == nullptr) return nullptr;
    return std::make_unique<StdReadFile>(file);
  }

  bool Remove(const std::u16string& path) override {
    std::error_code ec;
    return std::filesystem::remove(NativePath(path), ec);
  }

  bool Replace(const std::u16string& path, std::span<const std::uint8_t> bytes) override {
    return SUCCEEDED(io::WriteFileAtomically(NativePath(path), bytes));
  }
};

}  // namespace

FileSystem& SystemFileSystem() {
  static SystemFs instance;
  return instance;
}

}  // namespace filters
