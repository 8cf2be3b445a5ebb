#include "app/TimersDialog.h"

namespace app {

using ui::ControlKind;

TimersDialog::TimersDialog(recording::TimerList& timers, OpenSetTimer openSetTimer)
    : model_(timers), openSetTimer_(std::move(openSetTimer)) {}

ui::DialogTemplate TimersDialog::Layout() {
  ui::ControlTemplate list{ControlKind::kListBox, kTimersList, "",
                           ui::ControlBox{12, 12, 560, 260}};
  list.fixedPitch = true;
  auto button = [](ui::ControlId id, const char* text, int x) {
    return ui::ControlTemplate{ControlKind::kButton, id, text, ui::ControlBox{x, 284, 104, 28}};
  };
  return {"Timers",
          {584, 324},
          {},
          {list, button(kTimersDelete, "Delete", 12), button(kTimersEdit, "Edit", 126),
           button(kTimersNew, "New...", 240), button(kTimersDeleteAll, "Delete All", 354),
           button(kTimersClose, "Close", 468)}};
}

void TimersDialog::OnInit(ui::DialogControls& dialog) {
  Refill(dialog, std::nullopt);
  dialog.SetTimer(kTimersRefreshTimer, kTimersRefreshMilliseconds);
}

std::optional<GUID> TimersDialog::Selected(const ui::DialogControls& dialog) const {
  const int row = dialog.Selection(kTimersList);
  const auto& rows = model_.Rows();
  if (row < 0 || row >= static_cast<int>(rows.size())) return std::nullopt;
  return rows[static_cast<std::size_t>(row)].identity;
}

void TimersDialog::Refill(ui::DialogControls& dialog, const std::optional<GUID>& select) {
  model_.Rebuild();
  dialog.ClearItems(kTimersList);
  int selection = -1;
  const auto& rows = model_.Rows();
  for (std::size_t i = 0; i < rows.size(); ++i) {
    dialog.AddItem(kTimersList, rows[i].text);
    if (select && rows[i].identity == *select) selection = static_cast<int>(i);
  }
  dialog.SetSelection(kTimersList, selection);
}

void TimersDialog::OnNotify(ui::DialogControls& dialog, ui::ControlId id, ui::Notification what,
                            int) {
  if (id == kTimersList && what == ui::Notification::kSelectionChanged) {
    Follow(dialog);
    return;
  }
  const std::optional<GUID> selected = Selected(dialog);
  if (what != ui::Notification::kClicked) return;
  switch (id) {
    case kTimersDelete:
      if (selected) model_.Delete(*selected);
      Refill(dialog, std::nullopt);
      break;
    case kTimersEdit:
      if (selected) openSetTimer_(selected);
      Refill(dialog, selected);
      break;
    case kTimersNew:
      openSetTimer_(std::nullopt);
      Refill(dialog, selected);
      break;
    case kTimersDeleteAll:
      model_.DeleteAll();
      Refill(dialog, std::nullopt);
      break;
    case kTimersClose:
      dialog.End(ui::DialogResult::Cancel);
      break;
    default:
      break;
  }
}

void TimersDialog::OnMessage(ui::DialogControls& dialog, ui::Message message, ui::WParam wParam,
                             ui::LParam) {
  if (message == ui::Message::WM_TIMER && wParam == kTimersRefreshTimer) Follow(dialog);
}

void TimersDialog::Follow(ui::DialogControls& dialog) {
  // The rows stay as they are unless the timers changed, so that the user's
  // selection is not disturbed.
  const std::optional<GUID> selected = Selected(dialog);
  if (model_.Rebuild()) Refill(dialog, selected);
}

}  // namespace app
