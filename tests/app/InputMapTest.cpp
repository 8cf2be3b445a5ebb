#include "app/commands/InputMap.h"

#include <gtest/gtest.h>

#include "app/commands/WindowModes.h"

namespace app::commands {
namespace {

TEST(WheelAccumulator, SixSmallNotchesMakeOneVolumeStep) {
  WheelAccumulator wheel;
  std::vector<CommandId> sent;
  for (int i = 0; i < 6; ++i) {
    for (CommandId c : wheel.Add(20))
      sent.push_back(c);
  }
  EXPECT_EQ(sent, std::vector<CommandId>{kVolumeUp});
  EXPECT_EQ(wheel.Add(-250), (std::vector<CommandId>{kVolumeDown, kVolumeDown}));
  EXPECT_EQ(wheel.Add(-110), std::vector<CommandId>{kVolumeDown});
}

TEST(RemoteCommand, ReadsTheButtonAfterTheReportIdOfALongEnoughReport) {
  const std::uint8_t info[] = {1, 0x09};
  const std::uint8_t unknown[] = {1, 0x10};
  const std::uint8_t shortReport[] = {0x09};
  EXPECT_EQ(RemoteCommand(info), kInfo);
  EXPECT_FALSE(RemoteCommand(unknown));
  EXPECT_FALSE(RemoteCommand(shortReport));
}

TEST(MediaKeyCommand, MapsTransportAndVolumeKeys) {
  EXPECT_EQ(MediaKeyCommand(ui::AppCommand::MediaPause), kPlayPause);
  EXPECT_EQ(MediaKeyCommand(ui::AppCommand::MediaRewind), kSkipBack);
  EXPECT_EQ(MediaKeyCommand(ui::AppCommand::VolumeMute), kMute);
  EXPECT_FALSE(MediaKeyCommand(static_cast<ui::AppCommand>(30)));
}

TEST(MainAccelerators, ModifiersAndTypedCharactersSelectTheCommand) {
  const ui::AcceleratorTable table = MainAccelerators();
  const auto s = static_cast<ui::VirtualKey>('S');
  EXPECT_EQ(table.Translate({s, 0, U's'}), kSettings);
  EXPECT_EQ(table.Translate({s, ui::kControl, 0}), kStopPlayer);
  EXPECT_EQ(table.Translate({ui::VirtualKey::Return, ui::kAlt, 0}), kFullScreen);
  EXPECT_EQ(table.Translate({static_cast<ui::VirtualKey>('7'), 0, U'7'}), kDigit3 + 4);
  EXPECT_EQ(table.Translate({ui::VirtualKey::None, 0, U']'}), kSkipForward);
}

class WindowModesTest : public ::testing::Test {
 protected:
  WindowModesTest() {
    settings.windowPlacement.left = 100;
    settings.windowPlacement.top = 100;
    settings.windowPlacement.right = 900;
    settings.windowPlacement.bottom = 600;
    settings.viewFlags = kMenuVisible;
  }
  Settings settings;
  WindowModes modes{settings};
};

std::vector<ui::Monitor> TwoMonitors() {
  return {{{0, 0, 1920, 1080}, {0, 0, 1920, 1040}, true},
          {{1920, 0, 3200, 1024}, {1920, 0, 3200, 1024}, false}};
}

TEST_F(WindowModesTest, FullScreenCoversTheMonitorAndReturnsToMaximised) {
  WindowTarget t = modes.ToggleFullScreen(true, modes.NormalRect());
  EXPECT_EQ(t.mode, WindowMode::kFullScreen);
  EXPECT_EQ(t.rect.Width(), ui::MonitorNearest(modes.NormalRect()).area.Width());
  EXPECT_FALSE(t.menu);
  EXPECT_EQ(settings.fullScreen, 1u);
  t = modes.ToggleFullScreen(false, t.rect);
  EXPECT_EQ(t.mode, WindowMode::kMaximised);
  EXPECT_TRUE(t.menu);
  EXPECT_EQ(settings.windowMode, 1u);
  EXPECT_EQ(settings.fullScreen, 0u);
}

TEST_F(WindowModesTest, FullScreenTakesTheMonitorTheWindowIsOnNow) {
  ui::SetMonitorQuery(&TwoMonitors);
  // Normal on the first monitor, maximised on the second.
  const WindowTarget t = modes.ToggleFullScreen(true, {1920, 0, 3200, 1024});
  ui::SetMonitorQuery(nullptr);
  EXPECT_EQ(t.rect.left, 1920);
  EXPECT_EQ(t.rect.top, 0);
  EXPECT_EQ(t.rect.Width(), 1280);
}

TEST_F(WindowModesTest, RestoreInFullScreenLeavesItForTheNormalRectangle) {
  modes.ToggleFullScreen(false, modes.NormalRect());
  const WindowTarget t = modes.Apply(SystemCommand::kRestore);
  EXPECT_EQ(t.mode, WindowMode::kNormal);
  EXPECT_EQ(t.rect.left, 100);
  EXPECT_FALSE(modes.FullScreen());
}

TEST_F(WindowModesTest, ControlPanelShowsOnlyInTheHotZoneInFullScreen) {
  settings.viewFlags |= kControlPanelVisible;
  EXPECT_TRUE(modes.ControlPanelShown(false));
  modes.ToggleFullScreen(false, modes.NormalRect());
  EXPECT_FALSE(modes.ControlPanelShown(false));
  EXPECT_TRUE(modes.ControlPanelShown(true));
}

}  // namespace
}  // namespace app::commands
