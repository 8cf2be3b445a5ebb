// Fuzz target for the recording-file readers: the pack parser, the list-file
// parser, and the source core reading a file and a list held in memory.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "filters/sink/ChunkList.h"
#include "filters/sink/FileSystem.h"
#include "filters/source/Mpeg2SourceCore.h"
#include "filters/source/PackParser.h"
#include "fuzz/support/MemoryFileSystem.h"

namespace {

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
  fuzzing::MemoryFileSystem fs;
  fs.fallback = u"chunk";
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
