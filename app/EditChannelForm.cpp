#include "app/EditChannelForm.h"

#include <charconv>
#include <cstdio>
#include <string>

#include "common/ErrorBox.h"
#include "common/Utf16.h"

namespace app {
namespace {

using ui::ControlKind;

constexpr int kMaxPid = 0x1FFF;
constexpr std::uint16_t kVideoStreamType = 0x02;  // MPEG-2 video
constexpr std::uint16_t kAudioStreamType = 0x81;  // AC-3 audio

std::optional<int> Number(const std::string& text, int low, int high) {
  int value = 0;
  const char* end = text.data() + text.size();
  const auto [ptr, ec] = std::from_chars(text.data(), end, value);
  if (text.empty() || ec != std::errc() || ptr != end || value < low || value > high)
    return std::nullopt;
  return value;
}

template <typename T>
int IndexIn(const std::vector<T>& values, T wanted) {
  for (std::size_t i = 0; i < values.size(); ++i) {
    if (values[i] == wanted) return static_cast<int>(i);
  }
  return values.empty() ? -1 : 0;
}

}  // namespace

EditChannelForm::EditChannelForm(std::vector<tuning::ChannelMap> maps,
                                 std::vector<tuning::ModulationMask> modes, tuning::ChannelMap map,
                                 tuning::ModulationMask mode)
    : maps_(std::move(maps)), modes_(std::move(modes)), map_(map), mode_(mode) {}

ui::DialogTemplate EditChannelForm::Layout() {
  auto label = [](const char* text, int y) {
    return ui::ControlTemplate{ControlKind::kStatic, ui::kNoControl, text, {12, y, 180, 24}};
  };
  return {"Edit Channel",
          {400, 330},
          {},
          {
              label("Channel Map:", 12),
              {ControlKind::kComboBox, kFormMap, "", {196, 12, 192, 26}},
              label("Demodulator:Mode", 44),
              {ControlKind::kComboBox, kFormModulation, "", {196, 44, 192, 26}},
              label("Physical Channel Number:", 76),
              {ControlKind::kEdit, kFormPhysical, "", {196, 76, 60, 26}},
              label("Virtual Channel Number:", 108),
              {ControlKind::kEdit, kFormMajor, "", {196, 108, 60, 26}},
              {ControlKind::kStatic, ui::kNoControl, ".", {260, 108, 10, 26}},
              {ControlKind::kEdit, kFormMinor, "", {272, 108, 60, 26}},
              label("Name:", 140),
              {ControlKind::kEdit, kFormName, "", {196, 140, 192, 26}},
              label("Video PID:", 172),
              {ControlKind::kComboBox, kFormVideoPid, "", {196, 172, 100, 26}},
              label("Audio PID:", 204),
              {ControlKind::kComboBox, kFormAudioPid, "", {196, 204, 100, 26}},
              label("Bandwidth", 236),
              {ControlKind::kEdit, kFormBandwidth, "", {196, 236, 60, 26}},
              {ControlKind::kButton, ui::kIdOk, "OK", {212, 290, 84, 28}, ui::kOnDialog, 0, true},
              {ControlKind::kButton, ui::kIdCancel, "Cancel", {304, 290, 84, 28}},
          }};
}

void EditChannelForm::OnInit(ui::DialogControls& dialog) {
  for (const tuning::ChannelMap map : maps_)
    dialog.AddItem(kFormMap, tuning::ChannelMapName(map));
  dialog.SetSelection(kFormMap, IndexIn(maps_, map_));
  for (const tuning::ModulationMask mode : modes_)
    dialog.AddItem(kFormModulation, tuning::ModulationName(mode));
  dialog.SetSelection(kFormModulation, IndexIn(modes_, mode_));
  for (int pid = 0; pid <= kMaxPid; ++pid) {
    char text[8];
    std::snprintf(text, sizeof text, "0x%04X", pid);
    dialog.AddItem(kFormVideoPid, text);
    dialog.AddItem(kFormAudioPid, text);
  }
  dialog.SetSelection(kFormVideoPid, kDefaultVideoPid);
  dialog.SetSelection(kFormAudioPid, kDefaultAudioPid);
}

void EditChannelForm::OnNotify(ui::DialogControls& dialog, ui::ControlId id, ui::Notification,
                               int) {
  if (id == ui::kIdCancel) {
    dialog.End(ui::DialogResult::Cancel);
    return;
  }
  if (id != ui::kIdOk) return;
  record_ = Read(dialog);
  if (!record_) {
    common::ErrorBox("Enter a physical channel of the channel map and a channel number.");
    return;
  }
  dialog.End(ui::DialogResult::Ok);
}

std::optional<tuning::ChannelRecord> EditChannelForm::Read(ui::DialogControls& dialog) const {
  const int mapItem = dialog.Selection(kFormMap);
  const int modeItem = dialog.Selection(kFormModulation);
  if (mapItem < 0 || modeItem < 0) return std::nullopt;
  const tuning::ChannelMap map = maps_[static_cast<std::size_t>(mapItem)];
  const tuning::ModulationMask mode = modes_[static_cast<std::size_t>(modeItem)];
  const tuning::ScanRangeResult range = tuning::ScanRange(map);
  const auto physical = Number(dialog.Text(kFormPhysical), range.first, range.last);
  // 0xFFFF stands for "no number" in a locator.
  const auto major = Number(dialog.Text(kFormMajor), 1, 0xFFFE);
  const std::string minorText = dialog.Text(kFormMinor);
  const auto minor = minorText.empty() ? std::optional(0) : Number(minorText, 0, 0xFFFE);
  if (!physical || !major || !minor) return std::nullopt;

  tuning::ChannelRecord r;
  r.locator = tuning::ChannelLocator::Make(
      static_cast<std::uint8_t>(*physical), static_cast<std::uint16_t>(*minor),
      static_cast<std::uint16_t>(*major), static_cast<std::uint8_t>(map),
      tuning::ModulationToLocator(mode));
  common::SetField(r.name, common::FromUtf8(dialog.Text(kFormName)));
  r.videoPid = dialog.Selection(kFormVideoPid);
  r.audioPid = dialog.Selection(kFormAudioPid);
  r.pcrPid = r.videoPid;
  r.videoStreamType = kVideoStreamType;
  r.audioStreamType = kAudioStreamType;
  r.enabled = 1;
  return r;
}

}  // namespace app
