#include "app/SettingsDialog.h"

#include <algorithm>

#include "common/ErrorBox.h"
#include "common/Utf16.h"

namespace app {
namespace {

using ui::ControlKind;
using ui::Notification;

constexpr int kFilters = 0;
constexpr int kRecord = 1;
constexpr int kGuide = 2;

std::filesystem::path PathOf(const std::string& text) {
  return std::filesystem::path(text);
}

std::string Utf8(std::u16string_view text) {
  return common::ToUtf8(text);
}

// The item whose display name is `wanted`, else the first (none when empty).
int IndexOf(const std::vector<DeviceEntry>& entries, std::u16string_view wanted) {
  for (std::size_t i = 0; i < entries.size(); ++i) {
    if (entries[i].displayName == wanted) return static_cast<int>(i);
  }
  return entries.empty() ? -1 : 0;
}

const DeviceEntry* Selected(const std::vector<DeviceEntry>& entries, int item) {
  return item >= 0 && item < static_cast<int>(entries.size()) ? &entries[item] : nullptr;
}

}  // namespace

SettingsDialog::SettingsDialog(TunerManager& manager, ISettingsSources& sources)
    : manager_(manager), sources_(sources) {}

ui::DialogTemplate SettingsDialog::Layout() {
  return {
      "Settings",
      {460, 400},
      {"DirectShow Filters", "Record", "Guide"},
      {
          {ControlKind::kTabs, kSettingsTabs, "", {8, 8, 444, 350}},
          {ControlKind::kStatic, ui::kNoControl, "DTV Tuners", {10, 8, 300, 20}, kFilters},
          {ControlKind::kCheckTree, kTunerTree, "", {10, 28, 420, 92}, kFilters},
          {ControlKind::kStatic,
           ui::kNoControl,
           "MPEG-2 Video Decoder",
           {10, 128, 300, 20},
           kFilters},
          {ControlKind::kComboBox, kVideoDecoderList, "", {10, 148, 320, 26}, kFilters},
          {ControlKind::kCheckBox, kShowAllVideo, "Show All", {340, 148, 90, 26}, kFilters},
          {ControlKind::kStatic, ui::kNoControl, "AC3 Audio Decoder", {10, 180, 300, 20}, kFilters},
          {ControlKind::kComboBox, kAudioDecoderList, "", {10, 200, 320, 26}, kFilters},
          {ControlKind::kCheckBox, kShowAllAudio, "Show All", {340, 200, 90, 26}, kFilters},
          {ControlKind::kStatic, ui::kNoControl, "Video Renderer", {10, 232, 300, 20}, kFilters},
          {ControlKind::kComboBox, kRendererList, "", {10, 252, 320, 26}, kFilters},

          {ControlKind::kStatic,
           ui::kNoControl,
           "Recorded Video Folder",
           {10, 8, 300, 20},
           kRecord},
          {ControlKind::kEdit, kRecordFolderEdit, "", {10, 28, 244, 26}, kRecord},
          {ControlKind::kButton, kRecordFolderBrowse, "Browse...", {260, 28, 84, 26}, kRecord},
          {ControlKind::kButton, kRecordFolderDefault, "Default", {350, 28, 80, 26}, kRecord},
          {ControlKind::kStatic,
           ui::kNoControl,
           "Buffered Video Folder",
           {10, 62, 300, 20},
           kRecord},
          {ControlKind::kEdit, kBufferFolderEdit, "", {10, 82, 244, 26}, kRecord},
          {ControlKind::kButton, kBufferFolderBrowse, "Browse...", {260, 82, 84, 26}, kRecord},
          {ControlKind::kButton, kBufferFolderDefault, "Default", {350, 82, 80, 26}, kRecord},
          {ControlKind::kStatic, ui::kNoControl, "Live Buffer Size", {10, 116, 300, 20}, kRecord},
          {ControlKind::kComboBox, kLiveBufferSize, "", {10, 136, 80, 26}, kRecord},
          {ControlKind::kGroup, ui::kNoControl, "Recording Format", {10, 172, 420, 108}, kRecord},
          {ControlKind::kRadio,
           kFormatMpg,
           ".mpg MPEG-2 Program Stream",
           {22, 196, 400, 22},
           kRecord,
           1},
          {ControlKind::kRadio,
           kFormatDvrMs,
           ".dvr-ms Microsoft Digital Video Recording",
           {22, 220, 400, 22},
           kRecord,
           1},
          {ControlKind::kCheckBox,
           kFormatTs,
           ".ts Multi Program Transport Stream (Playback not supported)",
           {22, 244, 400, 22},
           kRecord},

          {ControlKind::kGroup, ui::kNoControl, "Guide Aquisition", {10, 8, 420, 64}, kGuide},
          {ControlKind::kCheckBox,
           kBackgroundGuide,
           "Scan For Guide Data In Background",
           {22, 34, 400, 24},
           kGuide},

          {ControlKind::kButton, ui::kIdOk, "OK", {276, 366, 84, 28}, ui::kOnDialog, 0, true},
          {ControlKind::kButton, ui::kIdCancel, "Cancel", {368, 366, 84, 28}},
      }};
}

void SettingsDialog::OnInit(ui::DialogControls& dialog) {
  const Settings& s = manager_.settings;
  dialog.SetSelection(kSettingsTabs, kFilters);

  tuners_ = sources_.Tuners();
  for (std::size_t i = 0; i < tuners_.size(); ++i) {
    dialog.AddItem(kTunerTree, Utf8(tuners_[i].name));
    bool chosen = false;
    for (std::uint32_t t = 0; t < manager_.tunerCount && t < kMaxTuners; ++t) {
      chosen |= common::FieldView(manager_.tuners[t].devicePath) == tuners_[i].displayName;
    }
    if (i == 0 && manager_.tunerCount == 0) chosen = true;
    dialog.SetItemChecked(kTunerTree, static_cast<int>(i), chosen);
  }

  dialog.SetChecked(kShowAllVideo, s.showAllVideoDecoders != 0);
  dialog.SetChecked(kShowAllAudio, s.showAllAudioDecoders != 0);
  FillDecoders(dialog, kVideoDecoderList, s.showAllVideoDecoders != 0,
               common::FieldView(manager_.videoDecoder));
  FillDecoders(dialog, kAudioDecoderList, s.showAllAudioDecoders != 0,
               common::FieldView(manager_.audioDecoder));

  renderers_ = sources_.Renderers();
  const std::uint32_t inUse = sources_.RendererInUse(s.videoRenderer);
  for (std::size_t i = 0; i < renderers_.size(); ++i) {
    dialog.AddItem(kRendererList,
                   renderers_[i].name + (renderers_[i].kind == inUse ? kRendererInUse : ""));
    if (renderers_[i].kind == s.videoRenderer) dialog.SetSelection(kRendererList, int(i));
  }
  // A stored kind this system lacks selects nothing, and OK keeps it.
  if (std::none_of(renderers_.begin(), renderers_.end(),
                   [&](const RendererChoice& r) { return r.kind == s.videoRenderer; })) {
    dialog.SetSelection(kRendererList, -1);
  }

  dialog.SetText(kRecordFolderEdit, Utf8(common::FieldView(s.recordFolder)));
  dialog.SetText(kBufferFolderEdit, Utf8(common::FieldView(s.bufferFolder)));
  for (const char* size : {"0", "1", "2", "3"})
    dialog.AddItem(kLiveBufferSize, size);
  dialog.SetSelection(kLiveBufferSize, 0);
  dialog.SetChecked(kFormatMpg, s.recordFormat == 0);
  dialog.SetChecked(kFormatDvrMs, s.recordFormat == 1);
  dialog.SetChecked(kFormatTs, s.recordTransportStream != 0);
  dialog.SetChecked(kBackgroundGuide, s.backgroundGuideScan != 0);
}

void SettingsDialog::FillDecoders(ui::DialogControls& dialog, ui::ControlId list, bool showAll,
                                  std::u16string_view keep) {
  std::vector<DeviceEntry>& entries = list == kVideoDecoderList ? videoDecoders_ : audioDecoders_;
  entries =
      list == kVideoDecoderList ? sources_.VideoDecoders(showAll) : sources_.AudioDecoders(showAll);
  dialog.ClearItems(list);
  for (const DeviceEntry& entry : entries)
    dialog.AddItem(list, Utf8(entry.name));
  dialog.SetSelection(list, IndexOf(entries, keep));
}

void SettingsDialog::OnNotify(ui::DialogControls& dialog, ui::ControlId id, ui::Notification what,
                              int item) {
  auto browse = [&](ui::ControlId edit, std::string_view title) {
    if (auto folder = sources_.BrowseFolder(title, PathOf(dialog.Text(edit))))
      dialog.SetText(edit, folder->string());
  };
  switch (id) {
    case kTunerTree:
      if (what == Notification::kItemChecked) OnTunerChecked(dialog, item);
      break;
    case kShowAllVideo:
    case kShowAllAudio: {
      const ui::ControlId list = id == kShowAllVideo ? kVideoDecoderList : kAudioDecoderList;
      const auto& entries = list == kVideoDecoderList ? videoDecoders_ : audioDecoders_;
      const DeviceEntry* current = Selected(entries, dialog.Selection(list));
      const std::u16string keep = current ? current->displayName : std::u16string();
      FillDecoders(dialog, list, dialog.Checked(id), keep);
      break;
    }
    case kRecordFolderBrowse:
      browse(kRecordFolderEdit, "Choose Recorded Video Folder");
      break;
    case kBufferFolderBrowse:
      browse(kBufferFolderEdit, "Choose Buffered Video Folder");
      break;
    case kRecordFolderDefault:
      dialog.SetText(kRecordFolderEdit, sources_.DefaultRecordFolder().string());
      break;
    case kBufferFolderDefault:
      dialog.SetText(kBufferFolderEdit, sources_.DefaultBufferFolder().string());
      break;
    case ui::kIdOk:
      OnOk(dialog);
      break;
    case ui::kIdCancel:
      dialog.End(ui::DialogResult::Cancel);
      break;
    default:
      break;
  }
}

void SettingsDialog::OnTunerChecked(ui::DialogControls& dialog, int item) {
  if (!dialog.ItemChecked(kTunerTree, item)) return;
  int checked = 0;
  for (int i = 0; i < dialog.ItemCount(kTunerTree); ++i)
    checked += dialog.ItemChecked(kTunerTree, i) ? 1 : 0;
  if (checked <= kMaxTuners) return;
  dialog.SetItemChecked(kTunerTree, item, false);
  common::ErrorBox("At most %d DTV tuners can be selected.", kMaxTuners);
}

void SettingsDialog::OnOk(ui::DialogControls& dialog) {
  if (sources_.Recording()) {
    common::ErrorBox("%s", kSettingsWhileRecording);
    return;
  }
  const std::size_t record = common::FromUtf8(dialog.Text(kRecordFolderEdit)).size();
  const std::size_t buffer = common::FromUtf8(dialog.Text(kBufferFolderEdit)).size();
  if (record > kMaxFolderLength) {
    common::ErrorBox("The Recorded Video Folder may have at most %zu characters.",
                     kMaxFolderLength);
    return;
  }
  if (buffer > kMaxBufferFolderLength) {
    common::ErrorBox("The Buffered Video Folder may have at most %zu characters.",
                     kMaxBufferFolderLength);
    return;
  }
  Store(dialog);
  dialog.End(ui::DialogResult::Ok);
}

void SettingsDialog::Store(ui::DialogControls& dialog) {
  Settings& s = manager_.settings;
  std::uint32_t count = 0;
  for (int i = 0; i < dialog.ItemCount(kTunerTree) && count < kMaxTuners; ++i) {
    if (!dialog.ItemChecked(kTunerTree, i) || i >= static_cast<int>(tuners_.size())) continue;
    TunerEntry& entry = manager_.tuners[count++];
    entry = TunerEntry{};
    common::SetField(entry.friendlyName, tuners_[i].name);
    common::SetField(entry.devicePath, tuners_[i].displayName);
  }
  manager_.tunerCount = count;

  const DeviceEntry* video = Selected(videoDecoders_, dialog.Selection(kVideoDecoderList));
  const DeviceEntry* audio = Selected(audioDecoders_, dialog.Selection(kAudioDecoderList));
  common::SetField(manager_.videoDecoder, video ? video->displayName : u"");
  common::SetField(manager_.audioDecoder, audio ? audio->displayName : u"");
  s.showAllVideoDecoders = dialog.Checked(kShowAllVideo) ? 1 : 0;
  s.showAllAudioDecoders = dialog.Checked(kShowAllAudio) ? 1 : 0;
  const int renderer = dialog.Selection(kRendererList);
  if (renderer >= 0 && renderer < static_cast<int>(renderers_.size()))
    s.videoRenderer = renderers_[renderer].kind;

  common::SetField(s.recordFolder, common::FromUtf8(dialog.Text(kRecordFolderEdit)));
  common::SetField(s.bufferFolder, common::FromUtf8(dialog.Text(kBufferFolderEdit)));
  s.recordFormat = dialog.Checked(kFormatDvrMs) ? 1 : 0;
  s.recordTransportStream = dialog.Checked(kFormatTs) ? 1 : 0;
  s.backgroundGuideScan = dialog.Checked(kBackgroundGuide) ? 1 : 0;
}

}  // namespace app
