// Code-page conversion over glibc iconv, with the code pages iconv lacks or
// reads differently (UTF-16 of either byte order, ISO 6937) done here.
#include "platform/codepage/CodePage.h"

#include <iconv.h>

#include <algorithm>
#include <cerrno>
#include <memory>
#include <string>
#include <unordered_map>

namespace {

constexpr char16_t kReplacement = 0xFFFD;

// The iconv name of a code page; empty when iconv does not serve it.
std::string IconvName(unsigned codePage) {
  switch (codePage) {
    case 936:
      return "GBK";
    case 949:
      return "CP949";
    case 950:
      return "CP950";
    case 20936:
      return "EUC-CN";
    case 65001:
      return "UTF-8";
    default:
      break;
  }
  // 28591-28606 are ISO 8859-1 to -16; there is no ISO 8859-12.
  if (codePage >= 28591 && codePage <= 28606 && codePage != 28602) {
    return "ISO-8859-" + std::to_string(codePage - 28590);
  }
  return {};
}

// One open converter per code page and thread: opening one costs far more
// than a short string's conversion, and a converter is not shared across threads.
class ConverterCache {
 public:
  ~ConverterCache() {
    for (auto& [codePage, cd] : converters_) {
      if (cd != invalid()) iconv_close(cd);
    }
  }

  iconv_t Get(unsigned codePage) {
    auto it = converters_.find(codePage);
    if (it == converters_.end()) {
      const std::string name = IconvName(codePage);
      const iconv_t cd = name.empty() ? invalid() : iconv_open("UTF-16LE", name.c_str());
      it = converters_.emplace(codePage, cd).first;
    }
    if (it->second != invalid()) iconv(it->second, nullptr, nullptr, nullptr, nullptr);
    return it->second;
  }

  static iconv_t invalid() { return reinterpret_cast<iconv_t>(-1); }

 private:
  std::unordered_map<unsigned, iconv_t> converters_;
};

std::size_t DecodeUtf16(std::span<const std::uint8_t> bytes, std::span<char16_t> out,
                        bool bigEndian) {
  std::size_t written = 0;
  for (std::size_t i = 0; i + 1 < bytes.size() && written < out.size(); i += 2) {
    const unsigned first = bytes[i];
    const unsigned second = bytes[i + 1];
    out[written++] = static_cast<char16_t>(bigEndian ? first << 8 | second : second << 8 | first);
  }
  return written;
}

// Converts with iconv into at most out.size() characters. An invalid byte
// becomes U+FFFD and conversion goes on after it; an incomplete sequence at
// the end becomes one U+FFFD.
std::size_t DecodeIconv(iconv_t cd, std::span<const std::uint8_t> bytes, std::span<char16_t> out) {
  std::size_t written = 0;
  std::size_t pos = 0;
  char buffer[256];
  while (pos < bytes.size() && written < out.size()) {
    // Never ask for more characters than fit, so a cut never loses input
    // that was converted but not stored.
    const std::size_t room = std::min(sizeof buffer, 2 * (out.size() - written));
    char* in = const_cast<char*>(reinterpret_cast<const char*>(bytes.data() + pos));
    std::size_t inLeft = bytes.size() - pos;
    char* outPtr = buffer;
    std::size_t outLeft = room;
    const std::size_t result = iconv(cd, &in, &inLeft, &outPtr, &outLeft);
    const int error = result == static_cast<std::size_t>(-1) ? errno : 0;
    pos = bytes.size() - inLeft;
    const std::size_t units = (room - outLeft) / 2;
    for (std::size_t i = 0; i < units && written < out.size(); ++i) {
      const auto low = static_cast<unsigned char>(buffer[2 * i]);
      const auto high = static_cast<unsigned char>(buffer[2 * i + 1]);
      out[written++] = static_cast<char16_t>(high << 8 | low);
    }
    if (error == EILSEQ) {
      if (written < out.size()) out[written++] = kReplacement;
      ++pos;
      iconv(cd, nullptr, nullptr, nullptr, nullptr);
    } else if (error == EINVAL) {
      if (written < out.size()) out[written++] = kReplacement;
      break;
    } else if (error == E2BIG && units == 0) {
      break;  // the next character (a surrogate pair) does not fit
    } else if (error != 0 && error != E2BIG) {
      break;
    }
  }
  return written;
}

}  // namespace

int MultiByteToWideChar(unsigned codePage, std::span<const std::uint8_t> bytes,
                        std::span<char16_t> out) {
  switch (codePage) {
    case 1200:
      return static_cast<int>(DecodeUtf16(bytes, out, false));
    case 1201:
      return static_cast<int>(DecodeUtf16(bytes, out, true));
    case 20269:
      return static_cast<int>(codepage::DecodeIso6937(bytes, out));
    default:
      break;
  }
  thread_local ConverterCache cache;
  const iconv_t cd = cache.Get(codePage);
  if (cd == ConverterCache::invalid()) return -1;
  return static_cast<int>(DecodeIconv(cd, bytes, out));
}
