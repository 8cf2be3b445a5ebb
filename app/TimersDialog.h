// The "Timers" dialog: the timer texts in list order, in a fixed-pitch font so
// that their columns line up, with "Delete", "Edit", "New...", "Delete All"
// and "Close". Rows stand for timers by identity: the one-second tick may
// remove an ended timer while the dialog is open, so every button finds its
// timer again, and the list is rebuilt after every button and, when the
// timers changed meanwhile, every second and as soon as the user selects a
// row.
#pragma once

#include <functional>
#include <optional>

#include "platform/ui/Dialog.h"
#include "recording/TimerForms.h"

namespace app {

inline constexpr ui::ControlId kTimersList = 1001;
inline constexpr ui::ControlId kTimersDelete = 1002;
inline constexpr ui::ControlId kTimersEdit = 1003;
inline constexpr ui::ControlId kTimersNew = 1004;
inline constexpr ui::ControlId kTimersDeleteAll = 1005;
inline constexpr ui::ControlId kTimersClose = ui::kIdCancel;
inline constexpr unsigned kTimersRefreshTimer = 1;
inline constexpr int kTimersRefreshMilliseconds = 1000;

class TimersDialog final : public ui::DialogHandler {
 public:
  // Runs "Set Timer" over the dialog: for the timer with this identity, or
  // for a new timer when there is none.
  using OpenSetTimer = std::function<void(const std::optional<GUID>& editing)>;

  TimersDialog(recording::TimerList& timers, OpenSetTimer openSetTimer);

  static ui::DialogTemplate Layout();

  void OnInit(ui::DialogControls& dialog) override;
  void OnNotify(ui::DialogControls& dialog, ui::ControlId id, ui::Notification what,
                int item) override;
  void OnMessage(ui::DialogControls& dialog, ui::Message message, ui::WParam wParam,
                 ui::LParam lParam) override;

 private:
  // Rebuilds the list when the timers changed, keeping the user's selection.
  void Follow(ui::DialogControls& dialog);
  // The identity of the selected row, if any.
  std::optional<GUID> Selected(const ui::DialogControls& dialog) const;
  // Rebuilds the list from the timers, keeping the selected timer selected.
  void Refill(ui::DialogControls& dialog, const std::optional<GUID>& select);

  recording::TimersDialogModel model_;
  OpenSetTimer openSetTimer_;
};

}  // namespace app
