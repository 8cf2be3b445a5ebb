#include "dvr/MainMenu.h"

#include "app/commands/CommandIds.h"

namespace dvr {

using namespace app::commands;

void BuildMainMenu(ui::Menu& menu) {
  ui::Menu& file = menu.AddSubMenu("&File");
  file.AddItem(kOpenFile, "Open File...\tCtrl+O");
  file.AddItem(kSettings, "&Settings...\tS");
  file.AddItem(kChannels, "&Channels...\tC");
  file.AddItem(kGuideToggle, "Guide Toggle...\tG");
  file.AddItem(kTimers, "Timers...\tT");
  file.AddItem(kNewTimer, "New Timer...");
  file.AddSeparator();
  file.AddItem(kVideoDecoderPages, "&Video Decoder Properties...\tV");
  file.AddItem(kAudioDecoderPages, "&Audio Decoder Properties...\tA");
  file.AddItem(kChannelProperties, "Channel &Properties...\tP");
  file.AddSeparator();
  file.AddItem(kClose, "Close\tAlt+F4");

  ui::Menu& view = menu.AddSubMenu("&View");
  view.AddItem(kMenuToggle, "Menu");
  view.AddItem(kControlPanelToggle, "Control Panel");
  view.AddItem(kCaptionsToggle, "Closed Captions\tU");
  view.AddItem(kAlwaysOnTop, "Always On Top");
  ui::Menu& sizes = view.AddSubMenu("Window Size");
  for (const WindowSizeItem& item : kWindowSizes) {
    sizes.AddItem(item.command, std::to_string(item.width) + "x" + std::to_string(item.height));
  }
  ui::Menu& aspect = view.AddSubMenu("Aspect Ratio");
  static constexpr const char* kAspectNames[] = {"Original", "16:9", "4:3", "Fit Window"};
  for (std::size_t i = 0; i < std::size(kAspectItems); ++i) {
    aspect.AddItem(kAspectItems[i].command, kAspectNames[i]);
  }
  view.AddItem(kOverscan, "Overscan...");
  view.AddItem(kFullScreen, "Toggle Fullscreen\tAlt+Enter");

  ui::Menu& help = menu.AddSubMenu("&Help");
  help.AddItem(kAbout, "About...\tF1");
}

void ApplyMarks(ui::Menu& menu, const std::vector<MenuMark>& marks) {
  for (const MenuMark& mark : marks) {
    menu.SetChecked(mark.command, mark.checked);
    menu.SetEnabled(mark.command, mark.enabled);
  }
}

std::vector<ui::BarButton> ControlPanelButtons() {
  // Two rows: channel, volume, displays and playback; then the number pad.
  std::vector<ui::BarButton> buttons = {
      {"C+", kChannelUp},    {"C-", kChannelDown},     {"V+", kVolumeUp},
      {"V-", kVolumeDown},   {"Mute", kMute},          {"OSD", kBanner},
      {"Info", kInfo},       {"Guide", kGuideToggle},  {"Inp", kNextInput},
      {"\u00ab", kSkipBack}, {"\u25b6", kPlay},        {"\u25a0", kStop},
      {"\u25cf", kRecord},   {"\u00bb", kSkipForward}, {"", 0}};
  for (const char digit : std::string_view("1234567890")) {
    for (CommandId id = kDigit1; id <= kDot; ++id) {
      if (EntryCharacter(id) == digit) buttons.push_back({std::string(1, digit), id});
    }
  }
  buttons.push_back({".", kDot});
  buttons.push_back({"OK", kEnter});
  return buttons;
}

}  // namespace dvr
