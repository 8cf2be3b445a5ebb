// The nine video renderer kinds of the settings, and which of them this
// system has. Kinds 5 (windowed) and 6 (windowless, with the caption input)
// are the "Video Mixing Renderer 9" of this folder; the others name renderers
// of another platform (overlay hardware, the older mixing renderer, the
// enhanced renderer, another vendor's renderer) and are not available.
#pragma once

#include <array>
#include <cstdint>
#include <string_view>

namespace av::video {

struct RendererKind {
  std::uint32_t kind;
  std::string_view name;  // the text of the settings' renderer list
  bool available;
};

inline constexpr std::array<RendererKind, 9> kRendererKinds = {{
    {0, "No Renderer", true},
    {1, "Overlay Mixer + Video Renderer", false},
    {2, "Video Mixing Renderer 7 (Windowed mode)", false},
    {3, "Video Mixing Renderer 7 (Use Overlays)", false},
    {4, "Video Mixing Renderer 7 (Use Offscreen Buffers)", false},
    {5, "Video Mixing Renderer 9 (Windowed mode)", true},
    {6, "Video Mixing Renderer 9", true},
    {7, "Enhanced Video Renderer", false},
    {8, "Haali Video Renderer", false},
}};

inline bool IsRendererKindAvailable(std::uint32_t kind) {
  return kind < kRendererKinds.size() && kRendererKinds[kind].available;
}

}  // namespace av::video
