#include "app/ChannelProperties.h"

#include <cstdio>

#include "common/Utf16.h"
#include "tuning/BandPlan.h"

namespace app {
namespace {

using ui::ControlKind;

std::string Hex(std::int64_t value) {
  char text[16];
  std::snprintf(text, sizeof text, "0x%04X", static_cast<unsigned>(value));
  return text;
}

// "major.minor", the one-part number alone, or "none" when the locator
// names only a physical channel.
std::string Number(const tuning::ChannelLocator& locator) {
  if (locator.major() == tuning::kNoNumber) return "none";
  std::string text = std::to_string(locator.major());
  if (locator.minor() != 0 && locator.minor() != tuning::kNoNumber)
    text += "." + std::to_string(locator.minor());
  return text;
}

// The frequency given to the tuner, in MHz with as many decimals as it
// needs (at least three), and the bandwidth when the plan sets one.
std::string Frequency(const tuning::ChannelLocator& locator) {
  const auto tune = tuning::ResolveFrequency(locator.channelMap, locator.physical());
  if (!tune || tune->frequency == 0) return "not in the channel map";
  const std::uint64_t hertz = std::uint64_t{tune->frequency} * tune->multiplier;
  char text[48];
  std::snprintf(text, sizeof text, "%llu.%06llu",
                static_cast<unsigned long long>(hertz / 1'000'000),
                static_cast<unsigned long long>(hertz % 1'000'000));
  std::string shown = text;
  while (shown.size() - shown.find('.') > 4 && shown.back() == '0')
    shown.pop_back();
  shown += " MHz";
  if (tune->bandwidth > 0) shown += ", " + std::to_string(tune->bandwidth) + " MHz wide";
  return shown;
}

std::string Pid(std::int32_t pid, std::uint16_t streamType) {
  if (pid < 0) return "none";
  return Hex(pid) + " (stream type " + Hex(streamType) + ")";
}

}  // namespace

std::vector<std::string> ChannelLines(const tuning::ChannelLocator& locator,
                                      const tuning::ChannelRecord* record) {
  const tuning::ModulationMask mode =
      tuning::ModulationFromLocator(locator.channelMap, locator.modulation);
  std::vector<std::string> lines;
  lines.push_back("Name: " + (record ? common::ToUtf8(common::FieldView(record->name))
                                     : std::string("not in the channel list")));
  lines.push_back("Channel: " + Number(locator));
  lines.push_back("Physical channel: " + std::to_string(locator.physical()));
  lines.push_back(std::string("Channel map: ") + tuning::ChannelMapName(locator.channelMap));
  lines.push_back("Frequency: " + Frequency(locator));
  lines.push_back(std::string("Modulation: ") + tuning::ModulationName(mode));
  if (record == nullptr) return lines;
  lines.push_back("Program number: " + std::to_string(record->programNumber));
  lines.push_back("Transport stream ID: " + Hex(record->transportStreamId));
  lines.push_back("Video PID: " + Pid(record->videoPid, record->videoStreamType));
  lines.push_back("Audio PID: " + Pid(record->audioPid, record->audioStreamType));
  lines.push_back("PCR PID: " + (record->pcrPid < 0 ? std::string("none") : Hex(record->pcrPid)));
  lines.push_back(std::string("Enabled: ") + (record->enabled ? "yes" : "no"));
  return lines;
}

ChannelPropertiesOutcome ChannelProperties(tuning::ChannelList& channels,
                                           const std::optional<tuning::ChannelLocator>& current) {
  if (!current) return {{}, kNoGraph};
  const auto lock = channels.Acquire();
  const tuning::ChannelNode* node = channels.FindByKeys(current->key1, current->key2);
  // A listed channel is tuned with its own locator; the record has the last word.
  return {
      node ? ChannelLines(node->record.locator, &node->record) : ChannelLines(*current, nullptr),
      {}};
}

ui::DialogTemplate ChannelPropertiesDialog::Layout() {
  ui::ControlTemplate list{ControlKind::kListBox, kChannelFacts, "",
                           ui::ControlBox{12, 12, 456, 196}};
  list.fixedPitch = true;
  return {"Channel Properties",
          {480, 260},
          {},
          {list,
           {ControlKind::kButton, ui::kIdOk, "OK", ui::ControlBox{198, 220, 84, 28}, ui::kOnDialog,
            0, true}}};
}

void ChannelPropertiesDialog::OnInit(ui::DialogControls& dialog) {
  for (const std::string& line : lines_)
    dialog.AddItem(kChannelFacts, line);
}

void ChannelPropertiesDialog::OnNotify(ui::DialogControls& dialog, ui::ControlId id,
                                       ui::Notification what, int) {
  // Nothing to change here: OK, Escape and the close box all just close.
  if (what == ui::Notification::kClicked && (id == ui::kIdOk || id == ui::kIdCancel))
    dialog.End(ui::DialogResult::Ok);
}

}  // namespace app
