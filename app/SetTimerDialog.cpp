#include "app/SetTimerDialog.h"

#include "app/PickerTexts.h"
#include "app/TimerMessages.h"
#include "common/Utf16.h"

namespace app {
namespace {

using ui::ControlKind;
using ui::ControlTemplate;

constexpr const char* kDayNames[] = {"Sunday",   "Monday", "Tuesday", "Wednesday",
                                     "Thursday", "Friday", "Saturday"};

ControlTemplate Label(const char* text, int y) {
  return {ControlKind::kStatic, ui::kNoControl, text, ui::ControlBox{12, y, 110, 26}};
}

ControlTemplate Picker(ui::ControlId id, const char* format, ui::ControlBox box) {
  ControlTemplate control{ControlKind::kDateTime, id, "", box};
  control.format = format;
  return control;
}

}  // namespace

SetTimerDialog::SetTimerDialog(SetTimerContext context, std::optional<GUID> editing,
                               recording::TimerForm form)
    : context_(std::move(context)), editing_(editing), form_(std::move(form)) {}

ui::DialogTemplate SetTimerDialog::Layout() {
  ui::DialogTemplate layout{"Set Timer", {420, 330}, {}, {}};
  auto& c = layout.controls;
  c.push_back(Label("Channel", 12));
  c.push_back({ControlKind::kComboBox, kTimerChannel, "", ui::ControlBox{128, 12, 280, 26}});
  c.push_back(Label("Start Time", 46));
  c.push_back(Picker(kTimerStart, kStartPickerFormat, ui::ControlBox{128, 46, 200, 26}));
  c.push_back(Label("Duration", 80));
  c.push_back(Picker(kTimerDuration, kDurationPickerFormat, ui::ControlBox{128, 80, 90, 26}));
  c.push_back({ControlKind::kComboBox, kTimerRepeat, "", ui::ControlBox{228, 80, 100, 26}});
  c.push_back(Label("Program Name", 114));
  c.push_back({ControlKind::kEdit, kTimerName, "", ui::ControlBox{128, 114, 280, 26}});
  c.push_back({ControlKind::kGroup, ui::kNoControl, "Days", ui::ControlBox{12, 150, 396, 116}});
  for (int day = 0; day < 7; ++day) {
    const int x = 24 + (day % 4) * 96;
    const int y = 174 + (day / 4) * 40;
    c.push_back(
        {ControlKind::kCheckBox, kTimerSunday + day, kDayNames[day], ui::ControlBox{x, y, 92, 26}});
  }
  c.push_back({ControlKind::kButton, ui::kIdOk, "OK", ui::ControlBox{232, 288, 84, 28},
               ui::kOnDialog, 0, true});
  c.push_back({ControlKind::kButton, ui::kIdCancel, "Cancel", ui::ControlBox{324, 288, 84, 28}});
  return layout;
}

void SetTimerDialog::OnInit(ui::DialogControls& dialog) {
  for (const recording::ChannelChoice& choice : context_.channels)
    dialog.AddItem(kTimerChannel, choice.text);
  dialog.SetSelection(kTimerChannel, recording::ChoiceOf(context_.channels, form_.channel));
  dialog.SetText(kTimerStart, StartPickerText(form_.start));
  dialog.SetText(kTimerDuration, DurationPickerText(form_.duration));
  dialog.AddItem(kTimerRepeat, "Once");
  dialog.AddItem(kTimerRepeat, "Weekly");
  dialog.SetSelection(kTimerRepeat, form_.repeatKind == recording::RepeatKind::kWeekly
                                        ? kRepeatWeekly
                                        : kRepeatOnce);
  dialog.SetText(kTimerName, common::ToUtf8(form_.name));
  for (int day = 0; day < 7; ++day)
    dialog.SetChecked(kTimerSunday + day, (form_.dayMask & recording::DayBit(day)) != 0);
  ShowDays(dialog);
}

void SetTimerDialog::ShowDays(ui::DialogControls& dialog) const {
  const bool weekly = dialog.Selection(kTimerRepeat) == kRepeatWeekly;
  for (int day = 0; day < 7; ++day)
    dialog.Enable(kTimerSunday + day, weekly);
}

recording::TimerForm SetTimerDialog::Read(const ui::DialogControls& dialog) const {
  recording::TimerForm form = form_;
  const int channel = dialog.Selection(kTimerChannel);
  if (channel >= 0 && channel < static_cast<int>(context_.channels.size()))
    form.channel = context_.channels[static_cast<std::size_t>(channel)].locator;
  // A text the pickers cannot have made counts as a zero duration, and
  // keeps the shown start.
  form.start = StartFromPickerText(dialog.Text(kTimerStart)).value_or(form_.start);
  form.duration = DurationFromPickerText(dialog.Text(kTimerDuration)).value_or(0);
  form.name = common::FromUtf8(dialog.Text(kTimerName));
  form.repeatKind = dialog.Selection(kTimerRepeat) == kRepeatWeekly ? recording::RepeatKind::kWeekly
                                                                    : recording::RepeatKind::kOnce;
  form.dayMask = 0;
  for (int day = 0; day < 7; ++day) {
    if (dialog.Checked(kTimerSunday + day)) form.dayMask |= recording::DayBit(day);
  }
  return form;
}

void SetTimerDialog::OnNotify(ui::DialogControls& dialog, ui::ControlId id, ui::Notification what,
                              int) {
  if (id == kTimerRepeat && what == ui::Notification::kSelectionChanged) ShowDays(dialog);
  if (what != ui::Notification::kClicked) return;
  if (id == ui::kIdCancel) dialog.End(ui::DialogResult::Cancel);
  if (id != ui::kIdOk) return;
  outcome_ = recording::SaveTimerForm(context_.timers, editing_, Read(dialog), context_.clock,
                                      context_.conflictLimit);
  if (ReportTimerForm(*outcome_)) dialog.End(ui::DialogResult::Ok);
}

}  // namespace app
