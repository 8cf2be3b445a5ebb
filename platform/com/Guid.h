// Globally unique identifiers: the 16-byte class, interface and media-type ids
// of the object model, with the "{XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}" text form.
#pragma once

#include <array>
#include <compare>
#include <cstdint>
#include <cstring>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

struct GUID {
  std::uint32_t Data1 = 0;
  std::uint16_t Data2 = 0;
  std::uint16_t Data3 = 0;
  std::array<std::uint8_t, 8> Data4{};

  friend constexpr bool operator==(const GUID&, const GUID&) = default;
  friend constexpr auto operator<=>(const GUID&, const GUID&) = default;
};
static_assert(sizeof(GUID) == 16);

using CLSID = GUID;
using IID = GUID;
using REFGUID = const GUID&;
using REFCLSID = const GUID&;
using REFIID = const GUID&;

inline constexpr GUID GUID_NULL{};

namespace com {

// Parses the braced form, case-insensitively; the braces may be left out.
std::optional<GUID> ParseGuid(std::string_view text);

// Formats as "{XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}" in upper case.
std::string FormatGuid(const GUID& guid);

// A new random identity (version 4), the role CoCreateGuid plays.
GUID NewGuid();

// Reads and writes the 16 bytes in the little-endian layout of stored records.
GUID GuidFromBytes(const std::uint8_t* bytes);
void GuidToBytes(const GUID& guid, std::uint8_t* bytes);

}  // namespace com

template <>
struct std::hash<GUID> {
  std::size_t operator()(const GUID& g) const noexcept {
    std::uint64_t a = 0, b = 0;
    std::memcpy(&a, &g, 8);
    std::memcpy(&b, reinterpret_cast<const char*>(&g) + 8, 8);
    return std::hash<std::uint64_t>()(a ^ (b * 0x9E3779B97F4A7C15ull));
  }
};
