#include "tests/support/FakeDialog.h"

namespace testsupport {

using ui::ControlKind;
using ui::Notification;

FakeDialog::FakeDialog(const ui::DialogTemplate& layout, ui::DialogHandler& handler)
    : handler_(handler) {
  for (const ui::ControlTemplate& control : layout.controls) {
    if (control.id == ui::kNoControl) continue;
    Control& c = controls_[control.id];
    c.kind = control.kind;
    c.group = control.group;
    c.page = control.page;
    c.text = control.text;
    if (control.kind == ControlKind::kTabs) {
      for (const std::string& page : layout.pages)
        c.items.push_back({page});
      c.selection = 0;
    }
  }
}

void FakeDialog::Init() {
  handler_.OnInit(*this);
}

void FakeDialog::Click(ui::ControlId id) {
  Control* c = Find(id);
  if (!c || !c->enabled || result_) return;
  if (c->kind == ControlKind::kCheckBox) c->checked = !c->checked;
  if (c->kind == ControlKind::kRadio) {
    for (auto& [otherId, other] : controls_) {
      if (other.kind == ControlKind::kRadio && other.group == c->group && other.page == c->page)
        other.checked = false;
    }
    c->checked = true;
  }
  handler_.OnNotify(*this, id, Notification::kClicked, -1);
}

void FakeDialog::CheckItem(ui::ControlId id, int item, bool checked) {
  Control* c = Find(id);
  if (!c || !c->enabled || result_ || item < 0 || item >= ItemCount(id)) return;
  c->items[static_cast<std::size_t>(item)].checked = checked;
  handler_.OnNotify(*this, id, Notification::kItemChecked, item);
}

void FakeDialog::Choose(ui::ControlId id, int item) {
  Control* c = Find(id);
  if (!c || !c->enabled || result_ || item < 0 || item >= ItemCount(id)) return;
  c->selection = item;
  handler_.OnNotify(*this, id, Notification::kSelectionChanged, item);
}

void FakeDialog::Type(ui::ControlId id, const std::string& text) {
  Control* c = Find(id);
  if (!c || !c->enabled || result_) return;
  c->text = text;
  handler_.OnNotify(*this, id, Notification::kTextChanged, -1);
}

void FakeDialog::Deliver(ui::Message message, ui::WParam wParam, ui::LParam lParam) {
  if (!result_) handler_.OnMessage(*this, message, wParam, lParam);
}

int FakeDialog::DeliverPosted(int limit) {
  int delivered = 0;
  while (!posted_.empty() && delivered < limit) {
    const Posted p = posted_.front();
    posted_.erase(posted_.begin());
    Deliver(p.message, p.wParam, p.lParam);
    ++delivered;
  }
  return delivered;
}

bool FakeDialog::FireTimer(unsigned id) {
  if (!timers_.contains(id)) return false;
  Deliver(ui::Message::WM_TIMER, id);
  return true;
}

void FakeDialog::Post(ui::Message message, ui::WParam wParam, ui::LParam lParam) {
  // A dialog that has ended drops its messages, as its window is gone.
  if (!result_) posted_.push_back({message, wParam, lParam});
}

std::vector<std::string> FakeDialog::Items(ui::ControlId id) const {
  std::vector<std::string> texts;
  if (const Control* c = Find(id)) {
    for (const Item& item : c->items)
      texts.push_back(item.text);
  }
  return texts;
}

void FakeDialog::End(ui::DialogResult result) {
  if (result_) return;
  result_ = result;
  posted_.clear();
  timers_.clear();
}

void FakeDialog::SetText(ui::ControlId id, std::string_view text) {
  if (Control* c = Find(id)) c->text = text;
}

std::string FakeDialog::Text(ui::ControlId id) const {
  const Control* c = Find(id);
  if (!c) return {};
  if (c->kind == ControlKind::kComboBox) return ItemText(id, c->selection);
  return c->text;
}

void FakeDialog::SetChecked(ui::ControlId id, bool checked) {
  if (Control* c = Find(id)) c->checked = checked;
}

bool FakeDialog::Checked(ui::ControlId id) const {
  const Control* c = Find(id);
  return c && c->checked;
}

void FakeDialog::Enable(ui::ControlId id, bool enabled) {
  if (Control* c = Find(id)) c->enabled = enabled;
}

bool FakeDialog::Enabled(ui::ControlId id) const {
  const Control* c = Find(id);
  return c && c->enabled;
}

void FakeDialog::ClearItems(ui::ControlId id) {
  if (Control* c = Find(id)) {
    c->items.clear();
    c->selection = -1;
  }
}

void FakeDialog::InsertItem(ui::ControlId id, int position, std::string_view text) {
  Control* c = Find(id);
  if (!c) return;
  if (position < 0 || position > ItemCount(id)) position = ItemCount(id);
  c->items.insert(c->items.begin() + position, Item{std::string(text)});
  // A combo box's first item is selected as it comes, as the toolkit's is.
  if (c->kind == ControlKind::kComboBox && c->selection < 0) c->selection = 0;
}

void FakeDialog::RemoveItem(ui::ControlId id, int item) {
  Control* c = Find(id);
  if (!c || item < 0 || item >= ItemCount(id)) return;
  c->items.erase(c->items.begin() + item);
  if (c->selection >= ItemCount(id)) c->selection = ItemCount(id) - 1;
}

int FakeDialog::ItemCount(ui::ControlId id) const {
  const Control* c = Find(id);
  return c ? static_cast<int>(c->items.size()) : 0;
}

std::string FakeDialog::ItemText(ui::ControlId id, int item) const {
  const Control* c = Find(id);
  if (!c || item < 0 || item >= ItemCount(id)) return {};
  return c->items[static_cast<std::size_t>(item)].text;
}

void FakeDialog::SetItemChecked(ui::ControlId id, int item, bool checked) {
  Control* c = Find(id);
  if (c && item >= 0 && item < ItemCount(id))
    c->items[static_cast<std::size_t>(item)].checked = checked;
}

bool FakeDialog::ItemChecked(ui::ControlId id, int item) const {
  const Control* c = Find(id);
  return c && item >= 0 && item < ItemCount(id) && c->items[static_cast<std::size_t>(item)].checked;
}

void FakeDialog::SetSelection(ui::ControlId id, int item) {
  if (Control* c = Find(id)) c->selection = item < ItemCount(id) ? item : -1;
}

int FakeDialog::Selection(ui::ControlId id) const {
  const Control* c = Find(id);
  return c ? c->selection : -1;
}

void FakeDialog::SetProgress(ui::ControlId id, int value, int) {
  if (Control* c = Find(id)) c->value = value;
}

FakeDialog::Control* FakeDialog::Find(ui::ControlId id) {
  const auto it = controls_.find(id);
  return it == controls_.end() ? nullptr : &it->second;
}

const FakeDialog::Control* FakeDialog::Find(ui::ControlId id) const {
  const auto it = controls_.find(id);
  return it == controls_.end() ? nullptr : &it->second;
}

}  // namespace testsupport
