#include "tools/broadcast/TestPicture.h"

#include <algorithm>
#include <array>
#include <cstring>

namespace broadcast {
namespace {

constexpr int kGlyphWidth = 5;
constexpr int kGlyphHeight = 7;

// Rows of 5 bits, most significant bit on the left.
using Glyph = std::array<std::uint8_t, kGlyphHeight>;

const Glyph* GlyphOf(char ch) {
  static const Glyph kDigits[10] = {
      {0x0E, 0x11, 0x13, 0x15, 0x19, 0x11, 0x0E}, {0x04, 0x0C, 0x04, 0x04, 0x04, 0x04, 0x0E},
      {0x0E, 0x11, 0x01, 0x02, 0x04, 0x08, 0x1F}, {0x1F, 0x02, 0x04, 0x02, 0x01, 0x11, 0x0E},
      {0x02, 0x06, 0x0A, 0x12, 0x1F, 0x02, 0x02}, {0x1F, 0x10, 0x1E, 0x01, 0x01, 0x11, 0x0E},
      {0x06, 0x08, 0x10, 0x1E, 0x11, 0x11, 0x0E}, {0x1F, 0x01, 0x02, 0x04, 0x08, 0x08, 0x08},
      {0x0E, 0x11, 0x11, 0x0E, 0x11, 0x11, 0x0E}, {0x0E, 0x11, 0x11, 0x0F, 0x01, 0x02, 0x0C},
  };
  static const Glyph kDot = {0x00, 0x00, 0x00, 0x00, 0x00, 0x0C, 0x0C};
  static const Glyph kColon = {0x00, 0x0C, 0x0C, 0x00, 0x0C, 0x0C, 0x00};
  static const Glyph kDash = {0x00, 0x00, 0x00, 0x1F, 0x00, 0x00, 0x00};
  if (ch >= '0' && ch <= '9') return &kDigits[ch - '0'];
  if (ch == '.') return &kDot;
  if (ch == ':') return &kColon;
  if (ch == '-') return &kDash;
  return nullptr;
}

void Fill(Plane p, std::uint8_t value) {
  for (int row = 0; row < p.height; ++row)
    std::memset(p.data + row * p.stride, value, p.width);
}

}  // namespace

void DrawText(Plane y, int x, int top, int scale, const std::string& text, std::uint8_t value) {
  for (const char ch : text) {
    if (const Glyph* g = GlyphOf(ch)) {
      for (int gy = 0; gy < kGlyphHeight; ++gy) {
        for (int gx = 0; gx < kGlyphWidth; ++gx) {
          if (!((*g)[gy] >> (kGlyphWidth - 1 - gx) & 1)) continue;
          for (int dy = 0; dy < scale; ++dy) {
            const int py = top + gy * scale + dy;
            if (py < 0 || py >= y.height) continue;
            for (int dx = 0; dx < scale; ++dx) {
              const int px = x + gx * scale + dx;
              if (px >= 0 && px < y.width) y.data[py * y.stride + px] = value;
            }
          }
        }
      }
    }
    x += (kGlyphWidth + 1) * scale;
  }
}

void DrawTestPicture(Plane y, Plane u, Plane v, int hue, int frame, const std::string& number,
                     const std::string& clock) {
  Fill(y, 64);
  // Chroma from the hue: eight colours around the circle.
  static constexpr std::uint8_t kU[8] = {90, 160, 200, 160, 90, 60, 110, 140};
  static constexpr std::uint8_t kV[8] = {160, 200, 140, 90, 60, 110, 200, 80};
  Fill(u, kU[hue & 7]);
  Fill(v, kV[hue & 7]);
  // A bright bar sweeping across the bottom shows motion.
  const int barWidth = std::max(4, y.width / 16);
  const int barX = (frame * 4) % std::max(1, y.width - barWidth);
  for (int row = y.height * 7 / 8; row < y.height; ++row)
    std::memset(y.data + row * y.stride + barX, 200, barWidth);
  const int scale = std::max(1, y.height / 40);
  DrawText(y, scale * 4, y.height / 8, scale * 2, number, 235);
  DrawText(y, scale * 4, y.height / 2, scale, clock, 235);
}

}  // namespace broadcast
