#include "tables/text/UnicodeCompression.h"

#include <mutex>

namespace tables {
namespace {

constexpr std::array<std::uint32_t, 8> kStaticWindows = {0x0000, 0x0080, 0x0100, 0x0300,
                                                         0x2000, 0x2080, 0x2100, 0x3000};

// Single-byte mode tags.
constexpr std::uint8_t kSQ0 = 0x01;  // SQ0-SQ7: 0x01-0x08
constexpr std::uint8_t kSDX = 0x0B;
constexpr std::uint8_t kSQU = 0x0E;
constexpr std::uint8_t kSCU = 0x0F;
constexpr std::uint8_t kSC0 = 0x10;  // SC0-SC7: 0x10-0x17
constexpr std::uint8_t kSD0 = 0x18;  // SD0-SD7: 0x18-0x1F

// Unicode mode tags.
constexpr std::uint8_t kUC0 = 0xE0;  // UC0-UC7: 0xE0-0xE7
constexpr std::uint8_t kUD0 = 0xE8;  // UD0-UD7: 0xE8-0xEF
constexpr std::uint8_t kUQU = 0xF0;
constexpr std::uint8_t kUDX = 0xF1;
constexpr std::uint8_t kUReserved = 0xF2;

// The window offset a define tag's byte names; 0 for the reserved values,
// which leave the window as it was.
std::uint32_t WindowOffset(std::uint8_t x) {
  if (x >= 0x01 && x <= 0x67) return x * 0x80u;
  if (x >= 0x68 && x <= 0xA7) return x * 0x80u + 0xAC00u;
  switch (x) {
    case 0xF9:
      return 0x00C0;
    case 0xFA:
      return 0x0250;
    case 0xFB:
      return 0x0370;
    case 0xFC:
      return 0x0530;
    case 0xFD:
      return 0x3040;
    case 0xFE:
      return 0x30A0;
    case 0xFF:
      return 0xFF60;
    default:
      return 0;
  }
}

class Decoder {
 public:
  Decoder(std::span<char16_t> out, std::span<const std::uint8_t> input, UnicodeWindows& windows)
      : out_(out), input_(input), windows_(windows) {}

  std::size_t Run() {
    bool unicodeMode = false;
    while (written_ < out_.size() && pos_ < input_.size()) {
      const bool ok = unicodeMode ? UnicodeStep(unicodeMode) : SingleByteStep(unicodeMode);
      if (!ok) break;
    }
    return written_;
  }

 private:
  bool Next(std::uint8_t& byte) {
    if (pos_ >= input_.size()) return false;
    byte = input_[pos_++];
    return true;
  }

  void Emit(std::uint32_t codePoint) {
    if (written_ < out_.size()) out_[written_++] = static_cast<char16_t>(codePoint & 0xFFFF);
  }

  void Define(unsigned window, std::uint8_t x) {
    const std::uint32_t offset = WindowOffset(x);
    if (offset != 0) windows_.offsets[window] = offset;
  }

  // SDX and UDX: window in the top 3 bits, offset in the supplementary planes.
  bool DefineExtended() {
    std::uint8_t high = 0;
    std::uint8_t low = 0;
    if (!Next(high) || !Next(low)) return false;
    active_ = high >> 5;
    windows_.offsets[active_] = 0x10000u + ((std::uint32_t{high} & 0x1F) << 8 | low) * 0x80u;
    return true;
  }

  bool QuoteUnicode() {
    std::uint8_t high = 0;
    std::uint8_t low = 0;
    if (!Next(high) || !Next(low)) return false;
    Emit(std::uint32_t{high} << 8 | low);
    return true;
  }

  bool SingleByteStep(bool& unicodeMode) {
    std::uint8_t byte = 0;
    Next(byte);
    if (byte >= 0x20 || byte == 0x00 || byte == 0x09 || byte == 0x0A || byte == 0x0D) {
      if (byte >= 0x80) {
        Emit(windows_.offsets[active_] + (byte - 0x80u));
      } else {
        Emit(byte);
      }
      return true;
    }
    if (byte >= kSQ0 && byte < kSQ0 + 8) {
      const unsigned window = byte - kSQ0;
      std::uint8_t quoted = 0;
      if (!Next(quoted)) return false;
      Emit(quoted < 0x80 ? kStaticWindows[window] + quoted
                         : windows_.offsets[window] + (quoted - 0x80u));
      return true;
    }
    if (byte >= kSC0 && byte < kSC0 + 8) {
      active_ = byte - kSC0;
      return true;
    }
    if (byte >= kSD0) {
      std::uint8_t x = 0;
      if (!Next(x)) return false;
      active_ = byte - kSD0;
      Define(active_, x);
      return true;
    }
    switch (byte) {
      case kSDX:
        return DefineExtended();
      case kSQU:
        return QuoteUnicode();
      case kSCU:
        unicodeMode = true;
        return true;
      default:
        Emit(byte);
        return true;  // the one reserved tag, 0x0C, passes through
    }
  }

  bool UnicodeStep(bool& unicodeMode) {
    std::uint8_t byte = 0;
    Next(byte);
    if (byte >= kUC0 && byte < kUC0 + 8) {
      active_ = byte - kUC0;
      unicodeMode = false;
      return true;
    }
    if (byte >= kUD0 && byte < kUD0 + 8) {
      std::uint8_t x = 0;
      if (!Next(x)) return false;
      active_ = byte - kUD0;
      Define(active_, x);
      unicodeMode = false;
      return true;
    }
    if (byte == kUQU) return QuoteUnicode();
    if (byte == kUDX) {
      unicodeMode = false;
      return DefineExtended();
    }
    if (byte == kUReserved) return true;  // reserved: nothing to decode
    std::uint8_t low = 0;
    if (!Next(low)) return false;
    Emit(std::uint32_t{byte} << 8 | low);
    return true;
  }

  std::span<char16_t> out_;
  std::span<const std::uint8_t> input_;
  UnicodeWindows& windows_;
  std::size_t pos_ = 0;
  std::size_t written_ = 0;
  unsigned active_ = 0;
};

std::mutex programWindowsLock;
UnicodeWindows programWindows;

}  // namespace

std::size_t DecodeUnicodeCompression(std::span<char16_t> out, std::span<const std::uint8_t> input,
                                     UnicodeWindows& windows) {
  return Decoder(out, input, windows).Run();
}

std::size_t DecodeUnicodeCompression(std::span<char16_t> out, std::span<const std::uint8_t> input) {
  std::lock_guard lock(programWindowsLock);
  return DecodeUnicodeCompression(out, input, programWindows);
}

void ResetUnicodeWindows() {
  std::lock_guard lock(programWindowsLock);
  programWindows = UnicodeWindows{};
}

}  // namespace tables
