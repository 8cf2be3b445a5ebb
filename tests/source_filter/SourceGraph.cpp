#include "tests/source_filter/SourceGraph.h"

namespace filters::test {

std::vector<ExpectedPayload> CorePayloads(const std::u16string& path, PinType stream,
                                          std::int64_t position) {
  std::vector<ExpectedPayload> out;
  Mpeg2SourceCore core;
  if (FAILED(core.Load(path.c_str()))) return out;
  core.Seek(position);
  SourceRead read;
  while (core.ReadNext(read) == ReadStatus::kData) {
    for (const SourcePayload& p : read.payloads) {
      if (p.stream != stream) continue;
      out.push_back({{p.bytes.begin(), p.bytes.end()}, p.hasPts, p.pts100});
    }
  }
  return out;
}

std::vector<std::uint8_t> CoreBytes(const std::u16string& path, PinType stream) {
  std::vector<std::uint8_t> all;
  for (const auto& p : CorePayloads(path, stream))
    all.insert(all.end(), p.bytes.begin(), p.bytes.end());
  return all;
}

}  // namespace filters::test
