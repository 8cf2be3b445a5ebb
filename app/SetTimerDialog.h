// The "Set Timer" dialog: the channel, the start (local date and time), the
// duration, once or weekly with its days, and the programme name of a timer.
// It works on a copy: editing overwrites the timer (found again by its
// identity) only at OK, without a conflict test; a new timer is added at OK
// with the timer list's refusals. A duration of 0 or over 24 hours and a
// weekly timer without a day keep the dialog open with their message.
#pragma once

#include <optional>
#include <vector>

#include "platform/ui/Dialog.h"
#include "recording/TimerForms.h"

namespace app {

inline constexpr ui::ControlId kTimerChannel = 1101;
inline constexpr ui::ControlId kTimerStart = 1102;
inline constexpr ui::ControlId kTimerDuration = 1103;
inline constexpr ui::ControlId kTimerRepeat = 1104;
inline constexpr ui::ControlId kTimerName = 1105;
// The day boxes, Sunday to Saturday: kTimerSunday + weekday.
inline constexpr ui::ControlId kTimerSunday = 1110;

// The entries of the repeat box, by repeat kind.
inline constexpr int kRepeatOnce = 0;
inline constexpr int kRepeatWeekly = 1;

// What the dialog works with.
struct SetTimerContext {
  recording::TimerList& timers;
  std::vector<recording::ChannelChoice> channels;  // the "Channel" box
  const recording::Clock& clock;
  int conflictLimit = 1;  // the tuners in use
};

class SetTimerDialog final : public ui::DialogHandler {
 public:
  // Edits the timer `editing` names, or makes a new one, starting from `form`.
  SetTimerDialog(SetTimerContext context, std::optional<GUID> editing, recording::TimerForm form);

  static ui::DialogTemplate Layout();

  void OnInit(ui::DialogControls& dialog) override;
  void OnNotify(ui::DialogControls& dialog, ui::ControlId id, ui::Notification what,
                int item) override;

  // The outcome of the last OK; nothing before one.
  std::optional<recording::TimerFormResult> Outcome() const { return outcome_; }

 private:
  recording::TimerForm Read(const ui::DialogControls& dialog) const;
  void ShowDays(ui::DialogControls& dialog) const;

  SetTimerContext context_;
  std::optional<GUID> editing_;
  recording::TimerForm form_;
  std::optional<recording::TimerFormResult> outcome_;
};

}  // namespace app
