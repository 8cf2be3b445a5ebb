// UTF-16 text helpers for the fixed-width, zero-terminated fields of stored
// records and the conversions the console and file names need.
#pragma once

#include <cstddef>
#include <span>
#include <string>
#include <string_view>

namespace common {

// Length of a zero-terminated field, never beyond its capacity.
std::size_t FieldLength(std::span<const char16_t> field);
std::u16string_view FieldView(std::span<const char16_t> field);

// Copies text into a field, cut so that the terminating zero always fits; the
// rest of the field is zeroed.
void SetField(std::span<char16_t> field, std::u16string_view text);

std::string ToUtf8(std::u16string_view text);
std::u16string FromUtf8(std::string_view text);

}  // namespace common
