#include "platform/ui/Accelerators.h"

namespace ui {

std::optional<std::uint16_t> AcceleratorTable::Translate(const KeyPress& press) const {
  if (press.key != VirtualKey::None) {
    for (const Accelerator& a : entries_) {
      if (a.character == 0 && a.key == press.key && a.modifiers == press.modifiers) {
        return a.command;
      }
    }
  }
  // A character is typed only without Ctrl and Alt.
  if (press.character != 0 && (press.modifiers & (kControl | kAlt)) == 0) {
    for (const Accelerator& a : entries_) {
      if (a.character == press.character) return a.command;
    }
  }
  return std::nullopt;
}

}  // namespace ui
