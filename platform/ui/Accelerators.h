// Accelerator tables: key presses that become commands. An entry names either
// a typed character ("1", "[", "\") or a virtual key with its modifiers
// ("S", Ctrl+S, Page Up, numeric-pad plus). Virtual keys are matched first,
// then typed characters, each in table order; the first match wins.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <optional>
#include <vector>

#include "platform/ui/Message.h"

namespace ui {

// Virtual keys by their usual numbers; letters and main-row digits are their
// upper-case ASCII codes (VirtualKey('S')).
enum class VirtualKey : std::uint16_t {
  None = 0,
  Return = 0x0D,
  Escape = 0x1B,
  Space = 0x20,
  Prior = 0x21,  // Page Up
  Next = 0x22,   // Page Down
  End = 0x23,
  Home = 0x24,
  Left = 0x25,
  Up = 0x26,
  Right = 0x27,
  Down = 0x28,
  NumPad0 = 0x60,
  NumPad1 = 0x61,
  NumPad9 = 0x69,
  Multiply = 0x6A,
  Add = 0x6B,
  Subtract = 0x6D,
  Decimal = 0x6E,
  F1 = 0x70,
  F9 = 0x78,
  F10 = 0x79,
  F12 = 0x7B,
};

enum Modifier : std::uint8_t { kShift = 1, kControl = 2, kAlt = 4 };

struct KeyPress {
  VirtualKey key = VirtualKey::None;
  std::uint8_t modifiers = 0;  // Modifier bits
  char32_t character = 0;      // the character typed, 0 for none
};

struct Accelerator {
  // A typed character (modifiers unused), or 0 for a virtual-key entry.
  char32_t character = 0;
  VirtualKey key = VirtualKey::None;
  std::uint8_t modifiers = 0;  // must match exactly
  std::uint16_t command = 0;

  static Accelerator Char(char32_t c, std::uint16_t command) {
    return {c, VirtualKey::None, 0, command};
  }
  static Accelerator Key(VirtualKey k, std::uint16_t command, std::uint8_t modifiers = 0) {
    return {0, k, modifiers, command};
  }
};

class AcceleratorTable {
 public:
  AcceleratorTable() = default;
  AcceleratorTable(std::initializer_list<Accelerator> entries) : entries_(entries) {}

  // The command of a key press, if the table has one.
  std::optional<std::uint16_t> Translate(const KeyPress& press) const;

 private:
  std::vector<Accelerator> entries_;
};

// Key input of a window: key presses in it that the table translates are
// posted to the window as WM_COMMAND, media keys as WM_APPCOMMAND (the
// command in lParam). User-interface thread; replaces the window's table.
void SetAccelerators(WindowId window, AcceleratorTable table);

}  // namespace ui
