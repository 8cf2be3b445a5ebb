#include "platform/ui/Menu.h"

#include <QAction>
#include <QPoint>
#include <map>
#include <vector>

#include "platform/ui/Window.h"
#include "platform/ui/qt/NativeMenu.h"

namespace ui {

struct Menu::Impl {
  WindowId owner = kNoWindow;
  QMenu menu;
  std::map<std::uint16_t, QAction*> items;
  std::map<std::uint16_t, bool> checked;
  std::vector<std::unique_ptr<Menu>> subMenus;

  QAction* Find(std::uint16_t id) const {
    const auto it = items.find(id);
    return it == items.end() ? nullptr : it->second;
  }
};

Menu::Menu(WindowId owner, std::string_view title) : impl_(std::make_unique<Impl>()) {
  impl_->owner = owner;
  impl_->menu.setTitle(QString::fromUtf8(title.data(), static_cast<qsizetype>(title.size())));
}

Menu::~Menu() = default;

void Menu::AddItem(std::uint16_t id, std::string_view text) {
  QAction* action =
      impl_->menu.addAction(QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())));
  impl_->items[id] = action;
  Impl* impl = impl_.get();
  QObject::connect(action, &QAction::triggered, action, [impl, action, id] {
    // The toolkit toggles a checkable item by itself; the program decides.
    if (action->isCheckable()) action->setChecked(impl->checked[id]);
    Post(impl->owner, Message::WM_COMMAND, id);
  });
}

void Menu::AddSeparator() {
  impl_->menu.addSeparator();
}

Menu& Menu::AddSubMenu(std::string_view title) {
  auto sub = std::make_unique<Menu>(impl_->owner, title);
  impl_->menu.addMenu(&sub->impl_->menu);
  impl_->subMenus.push_back(std::move(sub));
  return *impl_->subMenus.back();
}

void Menu::SetChecked(std::uint16_t id, bool checked) {
  if (QAction* action = impl_->Find(id)) {
    impl_->checked[id] = checked;
    action->setCheckable(true);
    action->setChecked(checked);
    return;
  }
  for (auto& sub : impl_->subMenus)
    sub->SetChecked(id, checked);
}

bool Menu::IsChecked(std::uint16_t id) const {
  if (const QAction* action = impl_->Find(id)) return action->isChecked();
  for (const auto& sub : impl_->subMenus) {
    if (sub->IsChecked(id)) return true;
  }
  return false;
}

void Menu::SetEnabled(std::uint16_t id, bool enabled) {
  if (QAction* action = impl_->Find(id)) {
    action->setEnabled(enabled);
    return;
  }
  for (auto& sub : impl_->subMenus)
    sub->SetEnabled(id, enabled);
}

void Menu::Popup(int x, int y) {
  impl_->menu.popup(QPoint(x, y));
}

namespace qt {

QMenu* NativeMenu(const Menu& menu) {
  return &menu.Native().menu;
}

}  // namespace qt
}  // namespace ui
