// Feeds arbitrary bytes to the multiple-string and DVB-string decoders. The
// first byte picks the output capacity (so small and zero capacities are
// reached), the second a segment mode; the rest is the text. Every decoder
// must stay inside its input and output and terminate its text.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <span>
#include <vector>

#include "tables/text/TextDecoding.h"

namespace {

void Check(bool condition) {
  if (!condition) std::abort();
}

template <typename Char>
void CheckTerminated(const std::vector<Char>& out, std::size_t count) {
  Check(count <= out.size());
  Check(out.empty() ? count == 0 : count >= 1);
  if (count > 0) Check(out[count - 1] == Char{0});
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 2) return 0;
  const std::size_t capacity = data[0];
  const std::uint8_t mode = data[1];
  const std::span<const std::uint8_t> text(data + 2, size - 2);

  std::vector<char16_t> wide(capacity);
  CheckTerminated(wide, tables::DecodeMultipleString16(wide, text));
  CheckTerminated(wide, tables::DecodeDvbString(wide, text));
  Check(tables::DecodeSegment16(wide, text, mode) <= wide.size());

  std::vector<char> narrow(capacity);
  CheckTerminated(narrow, tables::DecodeMultipleString8(narrow, text));
  return 0;
}
