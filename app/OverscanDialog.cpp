#include "app/OverscanDialog.h"

#include <charconv>
#include <string>

namespace app {
namespace {

using ui::ControlKind;

constexpr std::array<ui::ControlId, 4> kIds = {kOverscanTop, kOverscanLeft, kOverscanRight,
                                               kOverscanBottom};
constexpr std::array<const char*, 4> kNames = {"Top", "Left", "Right", "Bottom"};

}  // namespace

OverscanDialog::OverscanDialog(Settings& settings, std::function<void()> apply)
    : settings_(settings), apply_(std::move(apply)) {}

std::array<std::uint16_t*, 4> OverscanDialog::Fields() {
  return {&settings_.overscanTop, &settings_.overscanLeft, &settings_.overscanRight,
          &settings_.overscanBottom};
}

ui::DialogTemplate OverscanDialog::Layout() {
  ui::DialogTemplate layout{"Overscan", {232, 204}, {}, {}};
  for (std::size_t i = 0; i < kIds.size(); ++i) {
    const int y = 12 + static_cast<int>(i) * 36;
    layout.controls.push_back(
        {ControlKind::kStatic, ui::kNoControl, kNames[i], ui::ControlBox{12, y, 80, 26}});
    layout.controls.push_back({ControlKind::kSpin, kIds[i], "0", ui::ControlBox{100, y, 120, 26}});
  }
  layout.controls.push_back({ControlKind::kButton, ui::kIdOk, "OK", ui::ControlBox{44, 164, 84, 28},
                             ui::kOnDialog, 0, true});
  layout.controls.push_back(
      {ControlKind::kButton, ui::kIdCancel, "Cancel", ui::ControlBox{136, 164, 84, 28}});
  return layout;
}

void OverscanDialog::OnInit(ui::DialogControls& dialog) {
  const auto fields = Fields();
  for (std::size_t i = 0; i < kIds.size(); ++i) {
    old_[i] = *fields[i];
    // The settings keep the signed value's 16 bits.
    dialog.SetText(kIds[i], std::to_string(static_cast<std::int16_t>(old_[i])));
  }
}

void OverscanDialog::OnNotify(ui::DialogControls& dialog, ui::ControlId id, ui::Notification what,
                              int) {
  const auto fields = Fields();
  if (what == ui::Notification::kTextChanged) {
    for (std::size_t i = 0; i < kIds.size(); ++i) {
      if (kIds[i] != id) continue;
      const std::string text = dialog.Text(id);
      std::int16_t value = 0;
      const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
      if (ec != std::errc() || end != text.data() + text.size()) return;
      *fields[i] = static_cast<std::uint16_t>(value);
      apply_();
    }
    return;
  }
  if (what != ui::Notification::kClicked) return;
  if (id == ui::kIdOk) dialog.End(ui::DialogResult::Ok);
  if (id == ui::kIdCancel) {
    for (std::size_t i = 0; i < kIds.size(); ++i)
      *fields[i] = old_[i];
    apply_();
    dialog.End(ui::DialogResult::Cancel);
  }
}

}  // namespace app
