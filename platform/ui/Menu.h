// Menus: items with command ids, check marks and sub-menus. Choosing an item
// posts WM_COMMAND with its id to the owner window. Check marks belong to the
// program: choosing an item does not change its mark, SetChecked does.
#pragma once

#include <cstdint>
#include <memory>
#include <string_view>

#include "platform/ui/Message.h"

namespace ui {

class Menu {
 public:
  // User-interface thread.
  explicit Menu(WindowId owner, std::string_view title = {});
  ~Menu();
  Menu(const Menu&) = delete;
  Menu& operator=(const Menu&) = delete;

  // The text may name a mnemonic ("&Settings...") and, after a tab, the key
  // that does the same ("\tS").
  void AddItem(std::uint16_t id, std::string_view text);
  void AddSeparator();
  // A sub-menu, owned by this menu.
  Menu& AddSubMenu(std::string_view title);

  // These look in the sub-menus too; an unknown id is ignored (false).
  void SetChecked(std::uint16_t id, bool checked);
  bool IsChecked(std::uint16_t id) const;
  void SetEnabled(std::uint16_t id, bool enabled);

  // Shows the menu at a screen position and returns at once; the item
  // chosen posts its command.
  void Popup(int x, int y);

  struct Impl;
  Impl& Native() const { return *impl_; }

 private:
  std::unique_ptr<Impl> impl_;
};

}  // namespace ui
