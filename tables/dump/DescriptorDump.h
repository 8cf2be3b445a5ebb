// The dump of a descriptor loop, shared by every table dump.
#pragma once

#include <cstdint>
#include <span>
#include <string_view>

#include "tables/dump/DumpText.h"

namespace tables {

// Dumps each descriptor of the loop with `indent` in front of its lines.
void DumpDescriptors(DumpText& out, std::span<const std::uint8_t> loop, std::string_view indent);

}  // namespace tables
