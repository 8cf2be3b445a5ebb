#include "dvr/DecoderSource.h"

#include "common/ErrorBox.h"
#include "graph/player/FilterFacts.h"
#include "platform/av/decoders/AvDecoderFilter.h"

namespace dvr {

bool DecoderSource::PlayerBuilt() {
  return player_ != nullptr && player_->Kind() != graph::PlayerState::kNone;
}

std::optional<app::DecoderFacts> DecoderSource::Decoder(app::DecoderRole role) {
  if (player_ == nullptr) return std::nullopt;
  const ComPtr<IBaseFilter> filter =
      role == app::DecoderRole::kVideo ? player_->VideoDecoder() : player_->AudioDecoder();
  if (!filter) return std::nullopt;
  const graph::FilterFacts told = graph::FactsOf(filter.Get());
  app::DecoderFacts facts{told.name, told.classId, told.input, told.output};
  // The program's own decoders count what they do; another make's do not say.
  if (const auto* own = dynamic_cast<const av::CAvDecoderFilter*>(filter.Get())) {
    const av::DecoderStats stats = own->Stats();
    facts.counted = true;
    facts.inputSamples = stats.inputSamples;
    facts.frames = stats.frames;
    facts.decodeErrors = stats.decodeErrors;
    facts.dropped = stats.dropped;
  }
  return facts;
}

void ShowDecoderProperties(ui::WindowId owner, graph::PlayerGraph* player, app::DecoderRole role) {
  DecoderSource source(player);
  app::DecoderPagesOutcome outcome = app::DecoderPages(source, role);
  if (!outcome.facts) {
    common::ErrorBox("%s", outcome.refusal.c_str());
    return;
  }
  const std::string name = outcome.facts->name;
  app::DecoderPropertiesDialog handler(std::move(*outcome.facts));
  ui::RunDialog(app::DecoderPropertiesDialog::Layout(name), handler, owner);
}

}  // namespace dvr
