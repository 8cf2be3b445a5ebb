// The current player's decoders as the decoder property dialogs see them:
// each filter's name, class, connected formats and, for the program's own
// decoders, what they have counted.
#pragma once

#include "app/DecoderProperties.h"
#include "graph/player/PlayerGraph.h"
#include "platform/ui/Message.h"

namespace dvr {

class DecoderSource final : public app::IDecoderSource {
 public:
  // `player` may be null (no player built).
  explicit DecoderSource(graph::PlayerGraph* player) : player_(player) {}

  bool PlayerBuilt() override;
  std::optional<app::DecoderFacts> Decoder(app::DecoderRole role) override;

 private:
  graph::PlayerGraph* player_;
};

// Commands 40054 and 40045: the dialog over `owner`, or the refusal's box.
void ShowDecoderProperties(ui::WindowId owner, graph::PlayerGraph* player, app::DecoderRole role);

}  // namespace dvr
