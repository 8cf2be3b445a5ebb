// The A/65 Annex C decode tables, compiled in from text/data/*.bin (checked
// against their SHA-256 digests when the build generates the .inc files).
#include "tables/text/HuffmanTables.h"

namespace tables {
namespace {

constexpr std::uint8_t kTitleTable[] = {
#include "title.inc"
};

constexpr std::uint8_t kDescriptionTable[] = {
#include "description.inc"
};

static_assert(sizeof(kTitleTable) == 1940);
static_assert(sizeof(kDescriptionTable) == 1782);

}  // namespace

std::span<const std::uint8_t> HuffmanTitleTable() {
  return kTitleTable;
}
std::span<const std::uint8_t> HuffmanDescriptionTable() {
  return kDescriptionTable;
}

}  // namespace tables
