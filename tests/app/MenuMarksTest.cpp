#include "app/commands/MenuMarks.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace app::commands {
namespace {

MenuMark MarkOf(const std::vector<MenuMark>& marks, CommandId command) {
  const auto it = std::find_if(marks.begin(), marks.end(),
                               [&](const MenuMark& m) { return m.command == command; });
  EXPECT_NE(it, marks.end()) << command;
  return it == marks.end() ? MenuMark{} : *it;
}

TEST(MenuMarks, ViewTogglesFollowTheViewFlags) {
  Settings settings;
  settings.viewFlags = app::kMenuVisible | app::kAlwaysOnTop;
  const auto marks = MenuMarks(settings, 5, 0);
  EXPECT_TRUE(MarkOf(marks, kMenuToggle).checked);
  EXPECT_FALSE(MarkOf(marks, kControlPanelToggle).checked);
  EXPECT_TRUE(MarkOf(marks, kAlwaysOnTop).checked);
  EXPECT_FALSE(MarkOf(marks, kCaptionsToggle).checked);
}

TEST(MenuMarks, CaptionsCanBeChosenOnlyWithARendererThatDrawsThem) {
  Settings settings;
  settings.viewFlags = app::kCaptionsOn;
  for (const std::uint32_t kind : {0u, 5u})
    EXPECT_FALSE(MarkOf(MenuMarks(settings, kind, 0), kCaptionsToggle).enabled) << kind;
  for (const std::uint32_t kind : {6u, 7u}) {
    const MenuMark captions = MarkOf(MenuMarks(settings, kind, 0), kCaptionsToggle);
    EXPECT_TRUE(captions.enabled) << kind;
    EXPECT_TRUE(captions.checked) << kind;
  }
}

TEST(MenuMarks, OnlyTheCurrentAspectModeIsChecked) {
  const auto marks = MenuMarks(Settings{}, 5, 1);  // 4:3
  for (const AspectItem& item : kAspectItems)
    EXPECT_EQ(MarkOf(marks, item.command).checked, item.command == 40133) << item.command;
}

}  // namespace
}  // namespace app::commands
