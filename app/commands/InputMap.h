// How keys, media keys, the remote and the mouse wheel become commands of the
// main window.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "app/commands/CommandIds.h"
#include "platform/ui/Accelerators.h"
#include "platform/ui/Message.h"

namespace app::commands {

// The main window's accelerator table.
ui::AcceleratorTable MainAccelerators();

// The command of a media key, if it has one.
std::optional<CommandId> MediaKeyCommand(ui::AppCommand key);

// The command of a remote-control report (report id, then the button code);
// nothing for an unknown button or a report too short to hold one.
std::optional<CommandId> RemoteCommand(std::span<const std::uint8_t> report);

// Adds wheel turns up: every full notch (+120 or -120) is one volume step,
// the rest is kept for the next turn.
class WheelAccumulator {
 public:
  static constexpr int kNotch = 120;
  // The volume commands the turn makes, in order.
  std::vector<CommandId> Add(int delta);

 private:
  int sum_ = 0;
};

}  // namespace app::commands
