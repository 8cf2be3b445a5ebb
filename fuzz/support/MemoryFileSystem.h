// The programme-stream file interface over files held in memory, for the
// harnesses of the recording-file writer and reader. A name it does not hold
// opens the file named by fallback (a list's chunks all read the same bytes).
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <map>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "filters/sink/FileSystem.h"

namespace fuzzing {

class MemoryFileSystem final : public filters::FileSystem {
 public:
  std::map<std::u16string, std::vector<std::uint8_t>> files;
  std::u16string fallback;

  std::unique_ptr<filters::WriteFile> Create(const std::u16string& path) override {
    auto& bytes = files[path];
    bytes.clear();
    return std::make_unique<Writer>(bytes);
  }
  std::unique_ptr<filters::ReadFile> Open(const std::u16string& path) override {
    auto it = files.find(path);
    if (it == files.end()) it = files.find(fallback);
    if (it == files.end()) return nullptr;
    return std::make_unique<Reader>(it->second);
  }
  bool Remove(const std::u16string& path) override { return files.erase(path) != 0; }
  bool Replace(const std::u16string& path, std::span<const std::uint8_t> bytes) override {
    files[path].assign(bytes.begin(), bytes.end());
    return true;
  }

 private:
  class Writer final : public filters::WriteFile {
   public:
    explicit Writer(std::vector<std::uint8_t>& bytes) : bytes_(bytes) {}
    bool Write(std::span<const std::uint8_t> bytes) override {
      bytes_.insert(bytes_.end(), bytes.begin(), bytes.end());
      return true;
    }
    bool Truncate(std::uint64_t size) override {
      if (size < bytes_.size()) bytes_.resize(size);
      return true;
    }
    bool Close() override { return true; }

   private:
    std::vector<std::uint8_t>& bytes_;
  };

  class Reader final : public filters::ReadFile {
   public:
    explicit Reader(const std::vector<std::uint8_t>& bytes) : bytes_(bytes) {}
    std::uint64_t Size() override { return bytes_.size(); }
    std::size_t ReadAt(std::uint64_t offset, std::span<std::uint8_t> out) override {
      if (offset >= bytes_.size()) return 0;
      const std::size_t n = std::min<std::size_t>(out.size(), bytes_.size() - offset);
      std::copy_n(bytes_.begin() + static_cast<std::ptrdiff_t>(offset), n, out.begin());
      return n;
    }

   private:
    const std::vector<std::uint8_t>& bytes_;
  };
};

}  // namespace fuzzing
