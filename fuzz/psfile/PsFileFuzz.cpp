// Fuzz target for the recording-file readers: the pack parser, the list-file
// parser, and the source core reading a file and a list held in memory.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <map>
#include <span>
#include <vector>

#include "filters/sink/ChunkList.h"
#include "filters/sink/FileSystem.h"
#include "filters/source/Mpeg2SourceCore.h"
#include "filters/source/PackParser.h"

namespace {

class MemoryFileSystem final : public filters::FileSystem {
 public:
  std::map<std::u16string, std::vector<std::uint8_t>> files;

  std::unique_ptr<filters::WriteFile> Create(const std::u16string&) override { return nullptr; }
  std::unique_ptr<filters::ReadFile> Open(const std::u16string& path) override {
    // Any other name (the chunks a list names) reads the chunk bytes.
    auto it = files.find(path);
    if (it == files.end()) it = files.find(u"chunk");
    if (it == files.end()) return nullptr;
    return std::make_unique<Reader>(it->second);
  }
  bool Remove(const std::u16string&) override { return false; }
  bool Replace(const std::u16string&, std::span<const std::uint8_t>) override { return false; }

 private:
  class Reader final : public filters::ReadFile {
   public:
    explicit Reader(const std::vector<std::uint8_t>& data) : data_(data) {}
    std::uint64_t Size() override { return data_.size(); }
    std::size_t ReadAt(std::uint64_t offset, std::span<std::uint8_t> out) override {
      if (offset >= data_.size()) return 0;
      const std::size_t n = std::min<std::size_t>(out.size(), data_.size() - offset);
      std::copy_n(data_.begin() + static_cast<std::ptrdiff_t>(offset), n, out.begin());
      return n;
    }

   private:
    const std::vector<std::uint8_t>& data_;
  };
};

void ReadAll(filters::Mpeg2SourceCore& source) {
  filters::SourceRead read;
  for (int i = 0; i < 200 && source.ReadNext(read) == filters::ReadStatus::kData; ++i) {
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::span<const std::uint8_t> input(data, size);

  filters::ParsedPack pack;
  filters::ParsePack(input, pack);
  filters::ParsePack(input, pack, true);

  if (auto list = filters::ChunkList::Parse(input.first(std::min(size, filters::kListFileSize)))) {
    const auto again = list->Serialize();
    if (!std::equal(again.begin(), again.end(), input.begin())) __builtin_trap();
  }

  // The input as a recording file, played and sought.
  MemoryFileSystem fs;
  fs.files[u"a.mpg"] = std::vector<std::uint8_t>(input.begin(), input.end());
  {
    filters::Mpeg2SourceCore source(fs);
    source.Load(u"a.mpg");
    std::int64_t earliest = 0, latest = 0;
    source.GetAvailable(earliest, latest);
    source.Seek(size > 0 ? static_cast<std::int64_t>(data[0]) * 10'000'000 : 0);
    ReadAll(source);
  }

  // The input as a list file, followed by the bytes of every chunk it names.
  if (size >= filters::kListFileSize) {
    fs.files[u"l.lst"] =
        std::vector<std::uint8_t>(input.begin(), input.begin() + filters::kListFileSize);
    fs.files[u"chunk"] =
        std::vector<std::uint8_t>(input.begin() + filters::kListFileSize, input.end());
    filters::Mpeg2SourceCore source(fs);
    if (source.Load(u"l.lst") == S_OK) {
      std::int64_t earliest = 0, latest = 0;
      source.GetAvailable(earliest, latest);
      source.Seek(latest / 2);
      ReadAll(source);
    }
  }
  return 0;
}
