// The captions command's readers of untrusted bytes: the elementary-stream
// picture cutter (fed in pieces of varying size) and the CEA-608 text reader.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "capsift/dll/Cea608Text.h"
#include "capsift/dll/EsPictureSamples.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::span<const std::uint8_t> bytes(data, size);
  capsift::EsPictureSamples cutter;
  std::vector<capsift::EsSample> samples;
  std::size_t piece = size > 0 ? data[0] % 61 + 1 : 1;
  for (std::size_t i = 0; i < size; i += piece)
    cutter.Push(bytes.subspan(i, std::min(piece, size - i)), samples);
  cutter.Finish(samples);
  std::size_t total = 0;
  for (const auto& s : samples)
    total += s.bytes.size();
  if (total != size) __builtin_trap();  // the cut loses and adds nothing

  capsift::Cea608Text text;
  text.Decode(bytes);
  capsift::FormatPairs(bytes.first(std::min<std::size_t>(size, 512)));
  return 0;
}
