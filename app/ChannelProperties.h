// "Channel Properties" (command 40037): what the program knows of the
// channel on the air, one line each, and OK. A channel that the channel list
// holds shows its record; one tuned by its physical number shows what its
// locator holds. Without a tuner graph the command is refused with a message.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "platform/ui/Dialog.h"
#include "tuning/ChannelList.h"
#include "tuning/ChannelLocator.h"
#include "tuning/ChannelRecord.h"

namespace app {

inline constexpr ui::ControlId kChannelFacts = 1601;

inline constexpr char kNoGraph[] = "Graph has not been built.";

// The dialog's lines, "label: value": the locator's tuning facts, and the
// record's name, programme, streams and state when there is one.
std::vector<std::string> ChannelLines(const tuning::ChannelLocator& locator,
                                      const tuning::ChannelRecord* record);

// What the command shows: the lines for the current channel, or the
// refusal's text. `current` is the current graph's channel, nothing when no
// graph runs.
struct ChannelPropertiesOutcome {
  std::vector<std::string> lines;
  std::string refusal;
};
ChannelPropertiesOutcome ChannelProperties(tuning::ChannelList& channels,
                                           const std::optional<tuning::ChannelLocator>& current);

class ChannelPropertiesDialog final : public ui::DialogHandler {
 public:
  explicit ChannelPropertiesDialog(std::vector<std::string> lines) : lines_(std::move(lines)) {}

  static ui::DialogTemplate Layout();

  void OnInit(ui::DialogControls& dialog) override;
  void OnNotify(ui::DialogControls& dialog, ui::ControlId id, ui::Notification what,
                int item) override;

 private:
  std::vector<std::string> lines_;
};

}  // namespace app
