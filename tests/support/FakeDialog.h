// An in-memory dialog for testing dialog logic without a window system: the
// controls of a template hold their text, check, enabled state, items and
// selection; the test acts as the user through Click, CheckItem, Choose and
// Type, which notify the handler as the toolkit would. Timers and posted
// messages are recorded for the test to deliver.
#pragma once

#include <map>
#include <optional>
#include <string>
#include <vector>

#include "platform/ui/Dialog.h"

namespace testsupport {

class FakeDialog : public ui::DialogControls {
 public:
  FakeDialog(const ui::DialogTemplate& layout, ui::DialogHandler& handler);

  // Runs the handler's OnInit.
  void Init();
  std::optional<ui::DialogResult> Result() const { return result_; }
  bool IsOpen() const { return !result_; }

  // The user's actions.
  void Click(ui::ControlId id);
  void CheckItem(ui::ControlId id, int item, bool checked);
  void Choose(ui::ControlId id, int item);
  void Type(ui::ControlId id, const std::string& text);
  // Delivers a message to the dialog as its window would.
  void Deliver(ui::Message message, ui::WParam wParam = 0, ui::LParam lParam = 0);
  // Delivers what the dialog posted to itself, in order, until none is left
  // (or `limit` messages have been delivered); returns how many.
  int DeliverPosted(int limit = 10'000);
  // The running timers; FireTimer delivers WM_TIMER of a running one.
  const std::map<unsigned, int>& Timers() const { return timers_; }
  bool FireTimer(unsigned id);

  // Items by text (for assertions).
  std::vector<std::string> Items(ui::ControlId id) const;

  // ui::DialogControls
  ui::WindowId Window() const override { return ui::kNoWindow; }
  void End(ui::DialogResult result) override;
  void Post(ui::Message message, ui::WParam wParam, ui::LParam lParam) override;
  void SetTimer(unsigned id, int milliseconds) override { timers_[id] = milliseconds; }
  void KillTimer(unsigned id) override { timers_.erase(id); }
  void SetText(ui::ControlId id, std::string_view text) override;
  std::string Text(ui::ControlId id) const override;
  void SetChecked(ui::ControlId id, bool checked) override;
  bool Checked(ui::ControlId id) const override;
  void Enable(ui::ControlId id, bool enabled) override;
  bool Enabled(ui::ControlId id) const override;
  void ClearItems(ui::ControlId id) override;
  void InsertItem(ui::ControlId id, int position, std::string_view text) override;
  void RemoveItem(ui::ControlId id, int item) override;
  int ItemCount(ui::ControlId id) const override;
  std::string ItemText(ui::ControlId id, int item) const override;
  void SetItemChecked(ui::ControlId id, int item, bool checked) override;
  bool ItemChecked(ui::ControlId id, int item) const override;
  void SetSelection(ui::ControlId id, int item) override;
  int Selection(ui::ControlId id) const override;
  void SetProgress(ui::ControlId id, int value, int maximum) override;

 private:
  struct Item {
    std::string text;
    bool checked = false;
  };
  struct Control {
    ui::ControlKind kind = ui::ControlKind::kStatic;
    int group = 0;
    int page = ui::kOnDialog;
    std::string text;
    bool checked = false;
    bool enabled = true;
    std::vector<Item> items;
    int selection = -1;
    int value = 0;
  };
  Control* Find(ui::ControlId id);
  const Control* Find(ui::ControlId id) const;

  ui::DialogHandler& handler_;
  std::map<ui::ControlId, Control> controls_;
  std::optional<ui::DialogResult> result_;
  struct Posted {
    ui::Message message;
    ui::WParam wParam;
    ui::LParam lParam;
  };
  std::vector<Posted> posted_;
  std::map<unsigned, int> timers_;
};

}  // namespace testsupport
