#include "app/DecoderProperties.h"

namespace app {

using ui::ControlKind;

DecoderPagesOutcome DecoderPages(IDecoderSource& source, DecoderRole role) {
  if (!source.PlayerBuilt()) return {std::nullopt, kNoPlayer};
  std::optional<DecoderFacts> facts = source.Decoder(role);
  if (!facts)
    return {std::nullopt, role == DecoderRole::kVideo ? kNoVideoDecoder : kNoAudioDecoder};
  return {std::move(facts), {}};
}

std::vector<std::string> DecoderLines(const DecoderFacts& facts) {
  const auto orNone = [](const std::string& text) {
    return text.empty() ? std::string("not connected") : text;
  };
  std::vector<std::string> lines = {
      "Filter: " + facts.name,
      "Class: " + facts.classId,
      "Input: " + orNone(facts.input),
      "Output: " + orNone(facts.output),
  };
  if (facts.counted) {
    lines.push_back("Samples received: " + std::to_string(facts.inputSamples));
    lines.push_back("Frames delivered: " + std::to_string(facts.frames));
    lines.push_back("Decode errors: " + std::to_string(facts.decodeErrors));
    lines.push_back("Frames dropped: " + std::to_string(facts.dropped));
  }
  return lines;
}

ui::DialogTemplate DecoderPropertiesDialog::Layout(std::string_view name) {
  ui::ControlTemplate list{ControlKind::kListBox, kDecoderFacts, "",
                           ui::ControlBox{12, 12, 456, 196}};
  list.fixedPitch = true;
  return {std::string(name) + " Properties",
          {480, 260},
          {},
          {list,
           {ControlKind::kButton, ui::kIdOk, "OK", ui::ControlBox{198, 220, 84, 28}, ui::kOnDialog,
            0, true}}};
}

void DecoderPropertiesDialog::OnInit(ui::DialogControls& dialog) {
  for (const std::string& line : DecoderLines(facts_))
    dialog.AddItem(kDecoderFacts, line);
}

void DecoderPropertiesDialog::OnNotify(ui::DialogControls& dialog, ui::ControlId id,
                                       ui::Notification what, int) {
  // Nothing to change here: OK, Escape and the close box all just close.
  if (what == ui::Notification::kClicked && (id == ui::kIdOk || id == ui::kIdCancel))
    dialog.End(ui::DialogResult::Ok);
}

}  // namespace app
