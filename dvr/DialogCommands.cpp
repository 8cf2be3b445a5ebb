#include "dvr/DialogCommands.h"

#include <optional>

#include "app/AboutBox.h"
#include "app/ChannelProperties.h"
#include "app/OverscanDialog.h"
#include "app/SetTimerDialog.h"
#include "app/TimersDialog.h"
#include "common/ErrorBox.h"
#include "platform/ui/Dialog.h"
#include "recording/Clock.h"

namespace dvr {
namespace {

// Runs "Set Timer" over `form`; the outcome of its OK, or nothing when it
// was cancelled.
std::optional<recording::TimerFormResult> RunSetTimer(const TimerDialogSources& sources,
                                                      const std::optional<GUID>& editing,
                                                      recording::TimerForm form,
                                                      const recording::Clock& clock) {
  app::SetTimerDialog handler(
      {sources.timers, recording::ChannelChoices(sources.channels), clock, sources.tunerCount},
      editing, std::move(form));
  // While the form is open, the list it checks its timer against must not
  // change from outside.
  if (sources.openForms) ++*sources.openForms;
  const ui::DialogResult result =
      ui::RunDialog(app::SetTimerDialog::Layout(), handler, sources.owner);
  if (sources.openForms) --*sources.openForms;
  if (result != ui::DialogResult::Ok) return std::nullopt;
  return handler.Outcome();
}

}  // namespace

void ShowTimersDialog(const TimerDialogSources& sources) {
  const recording::SystemClock clock;
  app::TimersDialog handler(sources.timers, [&](const std::optional<GUID>& editing) {
    if (!editing) {
      RunSetTimer(sources, std::nullopt, recording::NewTimerForm(sources.currentChannel, clock),
                  clock);
      return;
    }
    const int i = recording::FindTimer(sources.timers, *editing);
    if (i >= 0)
      RunSetTimer(sources, editing, recording::FormOfTimer(sources.timers[i], clock), clock);
  });
  ui::RunDialog(app::TimersDialog::Layout(), handler, sources.owner);
}

bool ShowNewTimerDialog(const TimerDialogSources& sources) {
  const recording::SystemClock clock;
  return RunSetTimer(sources, std::nullopt, recording::NewTimerForm(sources.currentChannel, clock),
                     clock) == recording::TimerFormResult::kAdded;
}

bool ShowSetTimerDialog(const TimerDialogSources& sources, recording::TimerForm form) {
  const recording::SystemClock clock;
  return RunSetTimer(sources, std::nullopt, std::move(form), clock) ==
         recording::TimerFormResult::kAdded;
}

void ShowOverscanDialog(ui::WindowId owner, app::Settings& settings, std::function<void()> apply) {
  app::OverscanDialog handler(settings, std::move(apply));
  ui::RunDialog(app::OverscanDialog::Layout(), handler, owner);
}

void ShowChannelProperties(ui::WindowId owner, tuning::ChannelList& channels,
                           const std::optional<tuning::ChannelLocator>& current) {
  app::ChannelPropertiesOutcome outcome = app::ChannelProperties(channels, current);
  if (!outcome.refusal.empty()) {
    common::ErrorBox("%s", outcome.refusal.c_str());
    return;
  }
  app::ChannelPropertiesDialog handler(std::move(outcome.lines));
  ui::RunDialog(app::ChannelPropertiesDialog::Layout(), handler, owner);
}

void ShowAboutBox(ui::WindowId owner) {
  app::AboutBox handler(CORVANE_VERSION);
  ui::RunDialog(app::AboutBox::Layout(), handler, owner);
}

}  // namespace dvr
