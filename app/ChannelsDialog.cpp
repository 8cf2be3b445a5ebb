#include "app/ChannelsDialog.h"

#include <algorithm>
#include <string>

#include "app/EditChannelForm.h"
#include "common/ErrorBox.h"
#include "tables/collect/ChannelCollection.h"

namespace app {
namespace {

using ui::ControlKind;
using ui::Notification;

constexpr std::uint32_t kSlowScanBit = 1;

template <typename T>
int IndexIn(const std::vector<T>& values, T wanted) {
  const auto it = std::find(values.begin(), values.end(), wanted);
  return it == values.end() ? -1 : static_cast<int>(it - values.begin());
}

}  // namespace

ChannelsDialog::ChannelsDialog(Settings& settings, tuning::ChannelList& channels,
                               IChannelsHost& host)
    : settings_(settings), channels_(channels), host_(host), loop_(*this, host.ScanChannel()) {}

ui::DialogTemplate ChannelsDialog::Layout() {
  auto label = [](const char* text, ui::ControlBox box) {
    return ui::ControlTemplate{ControlKind::kStatic, ui::kNoControl, text, box};
  };
  return {
      "Channels",
      {540, 440},
      {},
      {
          {ControlKind::kCheckTree, kChannelTree, "", {10, 10, 310, 420}},
          label("Channel Map", {332, 10, 198, 20}),
          {ControlKind::kComboBox, kChannelMapList, "", {332, 30, 198, 26}},
          label("Demodulator:Modulation", {332, 62, 198, 20}),
          {ControlKind::kComboBox, kModulationList, "", {332, 82, 198, 26}},
          {ControlKind::kCheckBox, kSlowScan, "Slow Scan", {332, 116, 198, 24}},
          {ControlKind::kButton, kScanButton, "&Scan", {332, 148, 96, 28}},
          {ControlKind::kButton, kClearButton, "Clear", {434, 148, 96, 28}},
          {ControlKind::kButton, kAddChannelButton, "Add Channel", {332, 182, 198, 28}},
          label("Physical Channel:", {332, 224, 124, 22}),
          {ControlKind::kStatic, kPhysicalChannelValue, "", {460, 224, 70, 22}},
          label("Signal Quality:", {332, 250, 124, 22}),
          {ControlKind::kStatic, kSignalQualityValue, "", {460, 250, 40, 22}},
          label("%", {502, 250, 28, 22}),
          {ControlKind::kProgress, kScanProgress, "", {332, 280, 198, 16}},
          {ControlKind::kStatic, kScanStatus, "", {332, 302, 198, 22}},
          {ControlKind::kButton, ui::kIdOk, "Close", {332, 402, 96, 28}, ui::kOnDialog, 0, true},
          {ControlKind::kButton, ui::kIdCancel, "Cancel", {434, 402, 96, 28}},
      }};
}

void ChannelsDialog::OnInit(ui::DialogControls& dialog) {
  dialog_ = &dialog;
  host_.PublishWindow(dialog.Window());
  FillBands(dialog);
  dialog.SetText(kPhysicalChannelValue, std::to_string(host_.CurrentPhysicalChannel()));
  dialog.SetText(kSignalQualityValue, std::to_string(host_.SignalQuality()));
  dialog.SetChecked(kSlowScan, (settings_.scanFlags & kSlowScanBit) != 0);
  dialog.SetProgress(kScanProgress, 0, 1);
  // A tuner that offers no mode has no band to scan.
  dialog.Enable(kScanButton, !modes_.empty() && !maps_.empty());
  ShowNewChannels(std::nullopt);
}

void ChannelsDialog::FillBands(ui::DialogControls& dialog) {
  const tuning::ModulationMask supported = host_.SupportedModulations();
  modes_ = tuning::OfferedModulations(supported);
  for (const tuning::ModulationMask mode : modes_)
    dialog.AddItem(kModulationList, tuning::ModulationName(mode));
  int mode = IndexIn(modes_, settings_.scanModulation);
  if (mode < 0 && !modes_.empty()) {
    mode = 0;
    settings_.scanModulation = modes_[0];
  }
  dialog.SetSelection(kModulationList, mode);

  maps_ = tuning::OfferedChannelMaps(supported);
  for (const tuning::ChannelMap map : maps_)
    dialog.AddItem(kChannelMapList, tuning::ChannelMapName(map));
  int map = IndexIn(maps_, settings_.scanChannelMap);
  if (map < 0 && !maps_.empty()) {
    map = 0;
    settings_.scanChannelMap = maps_[0];
  }
  dialog.SetSelection(kChannelMapList, map);
  SetRange();
}

void ChannelsDialog::SetRange() {
  range_ = tuning::ScanRange(settings_.scanChannelMap);
}

void ChannelsDialog::OnNotify(ui::DialogControls& dialog, ui::ControlId id, ui::Notification what,
                              int item) {
  switch (id) {
    case kScanButton:
      if (loop_.Running()) {
        loop_.Stop();
      } else if (range_.first > 0 && range_.last >= range_.first) {
        scanMap_ = settings_.scanChannelMap;
        scanMode_ = settings_.scanModulation;
        loop_.Start(static_cast<std::uint8_t>(range_.first), static_cast<std::uint8_t>(range_.last),
                    dialog.Checked(kSlowScan));
      }
      break;
    case kChannelMapList:
      if (what == Notification::kSelectionChanged && !loop_.Running() && item >= 0 &&
          item < static_cast<int>(maps_.size())) {
        settings_.scanChannelMap = maps_[static_cast<std::size_t>(item)];
        SetRange();
      }
      break;
    case kModulationList:
      if (what == Notification::kSelectionChanged && !loop_.Running() && item >= 0 &&
          item < static_cast<int>(modes_.size())) {
        settings_.scanModulation = modes_[static_cast<std::size_t>(item)];
      }
      break;
    case kSlowScan:
      settings_.scanFlags = dialog.Checked(kSlowScan) ? settings_.scanFlags | kSlowScanBit
                                                      : settings_.scanFlags & ~kSlowScanBit;
      break;
    case kClearButton:
      Clear();
      break;
    case kAddChannelButton:
      AddChannel(dialog);
      break;
    case ui::kIdOk:
      Close(ui::DialogResult::Ok);
      break;
    case ui::kIdCancel:
      Close(ui::DialogResult::Cancel);
      break;
    default:
      break;
  }
}

void ChannelsDialog::OnMessage(ui::DialogControls& dialog, ui::Message message, ui::WParam wParam,
                               ui::LParam) {
  switch (message) {
    case ui::Message::WM_SCAN_CHANNEL:
      loop_.OnScanChannel();
      dialog.SetText(kSignalQualityValue, std::to_string(host_.SignalQuality()));
      break;
    case ui::Message::WM_CHANNEL_CHANGED:
      loop_.OnChannelChanged(static_cast<std::uint8_t>(wParam));
      break;
    case ui::Message::WM_TIMER:
      loop_.OnTimer(static_cast<int>(wParam));
      break;
    default:
      break;
  }
}

void ChannelsDialog::ShowNewChannels(std::optional<std::uint8_t> physical) {
  auto lock = channels_.Acquire();
  for (auto& [key, node] : channels_) {
    if (node.treeItem != 0) continue;
    if (physical && node.record.locator.physical() != *physical) continue;
    Item item{&node, tables::ChannelTreeText(node.record)};
    const auto at = std::upper_bound(items_.begin(), items_.end(), item,
                                     [](const Item& a, const Item& b) { return a.text < b.text; });
    const int index = static_cast<int>(at - items_.begin());
    items_.insert(at, item);
    node.treeItem = nextItem_++;
    dialog_->InsertItem(kChannelTree, index, item.text);
    dialog_->SetItemChecked(kChannelTree, index, node.record.enabled != 0);
  }
}

void ChannelsDialog::AddChannel(ui::DialogControls& dialog) {
  EditChannelForm form(maps_, modes_, settings_.scanChannelMap, settings_.scanModulation);
  if (host_.RunForm(EditChannelForm::Layout(), form, dialog.Window()) != ui::DialogResult::Ok ||
      !form.Record()) {
    return;
  }
  const tuning::ChannelRecord& record = *form.Record();
  bool exists = false;
  {
    auto lock = channels_.Acquire();
    exists = channels_.FindByKeys(record.locator.key1, record.locator.key2) != nullptr;
    if (!exists) channels_.InsertSorted(record);
  }
  if (exists) {
    common::ErrorBox("%s is in the channel list already.", tables::ChannelTreeText(record).c_str());
    return;
  }
  ShowNewChannels(record.locator.physical());
}

void ChannelsDialog::Clear() {
  auto lock = channels_.Acquire();
  dialog_->ClearItems(kChannelTree);
  items_.clear();
  channels_.Clear();
}

void ChannelsDialog::Close(ui::DialogResult result) {
  loop_.End();
  {
    auto lock = channels_.Acquire();
    for (std::size_t i = 0; i < items_.size(); ++i) {
      tuning::ChannelNode& node = *items_[i].node;
      if (result == ui::DialogResult::Ok)
        node.record.enabled = dialog_->ItemChecked(kChannelTree, static_cast<int>(i)) ? 1 : 0;
      node.treeItem = 0;
    }
  }
  items_.clear();
  host_.PublishWindow(ui::kNoWindow);
  dialog_->End(result);
}

// The scan's requests.

void ChannelsDialog::TunePhysical(std::uint8_t physical) {
  // A recording owns its tuner (the scan ends at its next step).
  if (!host_.Recording()) host_.TunePhysical(physical, scanMap_, scanMode_);
}

bool ChannelsDialog::SignalLocked() {
  return host_.SignalLocked();
}

void ChannelsDialog::FlushSections() {
  host_.FlushSections();
}

void ChannelsDialog::ClearSections() {
  host_.ClearSections();
}

void ChannelsDialog::CollectChannels(std::uint8_t physical) {
  host_.CollectChannels(physical, scanMap_, scanMode_);
  ShowNewChannels(physical);
}

void ChannelsDialog::WritePsipDump() {
  host_.WritePsipDump();
}

void ChannelsDialog::ReturnToViewing() {
  if (host_.Recording()) return;
  std::optional<tuning::ChannelLocator> first;
  {
    auto lock = channels_.Acquire();
    if (!channels_.empty()) first = channels_.begin()->second.record.locator;
  }
  // Tuned after the list's lock is given back: the graph takes it too.
  if (first) host_.TuneRequest(*first);
}

bool ChannelsDialog::Recording() {
  return host_.Recording();
}

void ChannelsDialog::PostScanChannel() {
  dialog_->Post(ui::Message::WM_SCAN_CHANNEL);
}

void ChannelsDialog::StartTimer(int id, std::chrono::milliseconds delay) {
  dialog_->SetTimer(static_cast<unsigned>(id), static_cast<int>(delay.count()));
}

void ChannelsDialog::KillTimer(int id) {
  dialog_->KillTimer(static_cast<unsigned>(id));
}

void ChannelsDialog::ShowChannel(std::uint8_t physical) {
  dialog_->SetText(kPhysicalChannelValue, std::to_string(physical));
  const int span = range_.last - range_.first + 1;
  dialog_->SetProgress(kScanProgress, std::clamp(physical - range_.first, 0, span), span);
}

void ChannelsDialog::ShowStatus(const char* status, bool scanning) {
  dialog_->SetText(kScanStatus, status);
  dialog_->SetText(kScanButton, scanning ? "&Stop" : "&Scan");
  dialog_->Enable(kChannelMapList, !scanning);
  dialog_->Enable(kModulationList, !scanning);
}

}  // namespace app
