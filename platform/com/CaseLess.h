// Ordering of names without regard to ASCII case, for the registry and
// profile stores whose names compare that way.
#pragma once

#include <algorithm>
#include <cctype>
#include <string>
#include <string_view>

namespace com {

struct CaseLess {
  using is_transparent = void;
  bool operator()(std::string_view a, std::string_view b) const {
    return std::lexicographical_compare(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
      return std::tolower(static_cast<unsigned char>(x)) <
             std::tolower(static_cast<unsigned char>(y));
    });
  }
};

inline bool EqualsNoCase(std::string_view a, std::string_view b) {
  return a.size() == b.size() && !CaseLess()(a, b) && !CaseLess()(b, a);
}

}  // namespace com
