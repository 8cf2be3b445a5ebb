// The dialogs the main window's commands open, run modally over the window:
// "Timers", "Set Timer" (from the menu, and filled with a guide event for the
// guide grid's own timer command), "Overscan", "Channel Properties" and the
// About box.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string_view>

#include "app/Settings.h"
#include "platform/ui/Message.h"
#include "recording/TimerForms.h"
#include "recording/TimerList.h"
#include "tuning/ChannelList.h"

namespace dvr {

// What the timer dialogs work with.
struct TimerDialogSources {
  ui::WindowId owner = ui::kNoWindow;
  recording::TimerList& timers;
  tuning::ChannelList& channels;
  int tunerCount = 1;                     // a new timer is refused when it overlaps this many
  tuning::ChannelLocator currentChannel;  // where "New..." starts
  int* openForms = nullptr;               // counts the "Set Timer" dialogs open
};

void ShowTimersDialog(const TimerDialogSources& sources);

// "Set Timer" for a new timer on the current channel; true when one was added.
bool ShowNewTimerDialog(const TimerDialogSources& sources);

// "Set Timer" filled with a form (the guide grid's programme); adds the timer
// when confirmed. True when added.
bool ShowSetTimerDialog(const TimerDialogSources& sources, recording::TimerForm form);

// "Overscan": `apply` lays the video out again with the settings' values.
void ShowOverscanDialog(ui::WindowId owner, app::Settings& settings, std::function<void()> apply);

// "Channel Properties" for `current`, the current graph's channel (nothing
// when no graph runs: the refusal's box instead).
void ShowChannelProperties(ui::WindowId owner, tuning::ChannelList& channels,
                           const std::optional<tuning::ChannelLocator>& current);

void ShowAboutBox(ui::WindowId owner);

}  // namespace dvr
