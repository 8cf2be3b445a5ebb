#include "platform/ui/Dialog.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QDateTimeEdit>
#include <QDialog>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QLocale>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalBlocker>
#include <QSpinBox>
#include <QTabWidget>
#include <QTreeWidget>
#include <map>
#include <optional>
#include <set>
#include <utility>

#include "platform/ui/Window.h"
#include "platform/ui/qt/Dispatcher.h"

namespace ui {
namespace {

QString ToQ(std::string_view text) {
  return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

// A picker's format in Qt's letters: only AM/PM is written apart. Pickers
// show, read and write their texts in the C locale, so that "AM" and "PM"
// never depend on the user's language.
QString PickerFormat(std::string_view format) {
  return ToQ(format).replace(QStringLiteral("tt"), QStringLiteral("AP"));
}

// The range of a number with arrows.
constexpr int kSpinLimit = 9999;

DialogHook& Hook() {
  static DialogHook hook;
  return hook;
}

class QtDialog;

// The dialog's window: its posted messages and timers go to the handler.
class DialogWindow final : public Window {
 public:
  explicit DialogWindow(QtDialog& dialog) : dialog_(dialog) {}
  LResult OnMessage(Message message, WParam wParam, LParam lParam) override;

 private:
  QtDialog& dialog_;
};

class QtDialog final : public QDialog, public DialogControls {
 public:
  QtDialog(const DialogTemplate& layout, DialogHandler& handler, QWidget* parent)
      : QDialog(parent), handler_(handler), window_(*this) {
    setWindowTitle(ToQ(layout.title));
    setFixedSize(layout.size.width, layout.size.height);
    for (const ControlTemplate& control : layout.controls) {
      if (control.kind == ControlKind::kTabs) AddTabs(control, layout.pages);
    }
    for (const ControlTemplate& control : layout.controls) {
      if (control.kind != ControlKind::kTabs) Add(control);
    }
    qt::AttachWidget(window_.Id(), this);
  }

  std::optional<DialogResult> Result() const { return result_; }
  void Cancel() { Notify(kIdCancel, Notification::kClicked, -1); }

  void Deliver(Message message, WParam wParam, LParam lParam) {
    if (!result_) handler_.OnMessage(*this, message, wParam, lParam);
  }

  // DialogControls
  WindowId Window() const override { return window_.Id(); }

  void End(DialogResult result) override {
    if (result_) return;
    result_ = result;
    done(static_cast<int>(result));
  }

  void Post(Message message, WParam wParam, LParam lParam) override {
    ui::Post(window_.Id(), message, wParam, lParam);
  }

  void SetTimer(unsigned id, int milliseconds) override {
    ui::SetTimer(window_.Id(), id, milliseconds);
  }

  void KillTimer(unsigned id) override { ui::KillTimer(window_.Id(), id); }

  void SetText(ControlId id, std::string_view text) override {
    QWidget* w = Find(id);
    const QSignalBlocker block(w);
    if (auto* label = qobject_cast<QLabel*>(w)) label->setText(ToQ(text));
    if (auto* edit = qobject_cast<QLineEdit*>(w)) edit->setText(ToQ(text));
    if (auto* button = qobject_cast<QAbstractButton*>(w)) button->setText(ToQ(text));
    if (auto* group = qobject_cast<QGroupBox*>(w)) group->setTitle(ToQ(text));
    if (auto* picker = qobject_cast<QDateTimeEdit*>(w)) {
      const QDateTime value = QLocale::c().toDateTime(ToQ(text), picker->displayFormat());
      if (value.isValid()) picker->setDateTime(value);
    }
    if (auto* spin = qobject_cast<QSpinBox*>(w)) spin->setValue(ToQ(text).toInt());
  }

  std::string Text(ControlId id) const override {
    QWidget* w = Find(id);
    if (auto* label = qobject_cast<QLabel*>(w)) return label->text().toStdString();
    if (auto* edit = qobject_cast<QLineEdit*>(w)) return edit->text().toStdString();
    if (auto* button = qobject_cast<QAbstractButton*>(w)) return button->text().toStdString();
    if (auto* combo = qobject_cast<QComboBox*>(w)) return combo->currentText().toStdString();
    if (auto* picker = qobject_cast<QDateTimeEdit*>(w))
      return QLocale::c().toString(picker->dateTime(), picker->displayFormat()).toStdString();
    if (auto* spin = qobject_cast<QSpinBox*>(w))
      return QString::number(spin->value()).toStdString();
    return {};
  }

  void SetChecked(ControlId id, bool checked) override {
    if (auto* button = qobject_cast<QAbstractButton*>(Find(id))) {
      const QSignalBlocker block(button);
      button->setChecked(checked);
    }
  }

  bool Checked(ControlId id) const override {
    auto* button = qobject_cast<QAbstractButton*>(Find(id));
    return button && button->isChecked();
  }

  void Enable(ControlId id, bool enabled) override {
    if (QWidget* w = Find(id)) w->setEnabled(enabled);
  }

  bool Enabled(ControlId id) const override {
    QWidget* w = Find(id);
    return w && w->isEnabled();
  }

  void ClearItems(ControlId id) override {
    QWidget* w = Find(id);
    const QSignalBlocker block(w);
    if (auto* combo = qobject_cast<QComboBox*>(w)) combo->clear();
    if (auto* list = qobject_cast<QListWidget*>(w)) list->clear();
    if (auto* tree = qobject_cast<QTreeWidget*>(w)) tree->clear();
  }

  void InsertItem(ControlId id, int position, std::string_view text) override {
    QWidget* w = Find(id);
    const QSignalBlocker block(w);
    const int count = ItemCount(id);
    if (position < 0 || position > count) position = count;
    if (auto* combo = qobject_cast<QComboBox*>(w)) combo->insertItem(position, ToQ(text));
    if (auto* list = qobject_cast<QListWidget*>(w)) {
      auto* item = new QListWidgetItem(ToQ(text));
      if (!listBoxes_.contains(id)) {
        item->setFlags(item->flags() | Qt::ItemIsUserCheckable);
        item->setCheckState(Qt::Unchecked);
      }
      list->insertItem(position, item);
    }
    if (auto* tree = qobject_cast<QTreeWidget*>(w)) {
      auto* item = new QTreeWidgetItem(QStringList{ToQ(text)});
      item->setFlags(item->flags() | Qt::ItemIsUserCheckable);
      item->setCheckState(0, Qt::Unchecked);
      tree->insertTopLevelItem(position, item);
    }
  }

  void RemoveItem(ControlId id, int item) override {
    if (item < 0 || item >= ItemCount(id)) return;
    QWidget* w = Find(id);
    const QSignalBlocker block(w);
    if (auto* combo = qobject_cast<QComboBox*>(w)) combo->removeItem(item);
    if (auto* list = qobject_cast<QListWidget*>(w)) delete list->takeItem(item);
    if (auto* tree = qobject_cast<QTreeWidget*>(w)) delete tree->takeTopLevelItem(item);
  }

  int ItemCount(ControlId id) const override {
    QWidget* w = Find(id);
    if (auto* combo = qobject_cast<QComboBox*>(w)) return combo->count();
    if (auto* list = qobject_cast<QListWidget*>(w)) return list->count();
    if (auto* tree = qobject_cast<QTreeWidget*>(w)) return tree->topLevelItemCount();
    if (auto* tabs = qobject_cast<QTabWidget*>(w)) return tabs->count();
    return 0;
  }

  std::string ItemText(ControlId id, int item) const override {
    if (item < 0 || item >= ItemCount(id)) return {};
    QWidget* w = Find(id);
    if (auto* combo = qobject_cast<QComboBox*>(w)) return combo->itemText(item).toStdString();
    if (auto* list = qobject_cast<QListWidget*>(w)) return list->item(item)->text().toStdString();
    if (auto* tree = qobject_cast<QTreeWidget*>(w))
      return tree->topLevelItem(item)->text(0).toStdString();
    if (auto* tabs = qobject_cast<QTabWidget*>(w)) return tabs->tabText(item).toStdString();
    return {};
  }

  void SetItemChecked(ControlId id, int item, bool checked) override {
    if (item < 0 || item >= ItemCount(id)) return;
    QWidget* w = Find(id);
    const QSignalBlocker block(w);
    const Qt::CheckState state = checked ? Qt::Checked : Qt::Unchecked;
    if (auto* list = qobject_cast<QListWidget*>(w)) list->item(item)->setCheckState(state);
    if (auto* tree = qobject_cast<QTreeWidget*>(w))
      tree->topLevelItem(item)->setCheckState(0, state);
  }

  bool ItemChecked(ControlId id, int item) const override {
    if (item < 0 || item >= ItemCount(id)) return false;
    QWidget* w = Find(id);
    if (auto* list = qobject_cast<QListWidget*>(w))
      return list->item(item)->checkState() == Qt::Checked;
    if (auto* tree = qobject_cast<QTreeWidget*>(w))
      return tree->topLevelItem(item)->checkState(0) == Qt::Checked;
    return false;
  }

  void SetSelection(ControlId id, int item) override {
    QWidget* w = Find(id);
    const QSignalBlocker block(w);
    if (auto* combo = qobject_cast<QComboBox*>(w)) combo->setCurrentIndex(item);
    if (auto* list = qobject_cast<QListWidget*>(w)) list->setCurrentRow(item);
    if (auto* tree = qobject_cast<QTreeWidget*>(w)) tree->setCurrentItem(tree->topLevelItem(item));
    if (auto* tabs = qobject_cast<QTabWidget*>(w)) tabs->setCurrentIndex(item);
  }

  int Selection(ControlId id) const override {
    QWidget* w = Find(id);
    if (auto* combo = qobject_cast<QComboBox*>(w)) return combo->currentIndex();
    if (auto* list = qobject_cast<QListWidget*>(w)) return list->currentRow();
    if (auto* tree = qobject_cast<QTreeWidget*>(w))
      return tree->currentItem() ? tree->indexOfTopLevelItem(tree->currentItem()) : -1;
    if (auto* tabs = qobject_cast<QTabWidget*>(w)) return tabs->currentIndex();
    return -1;
  }

  void SetProgress(ControlId id, int value, int maximum) override {
    if (auto* bar = qobject_cast<QProgressBar*>(Find(id))) {
      bar->setRange(0, maximum);
      bar->setValue(value);
    }
  }

 protected:
  // Escape and the close box.
  void reject() override { Notify(kIdCancel, Notification::kClicked, -1); }

 private:
  QWidget* Find(ControlId id) const {
    const auto it = controls_.find(id);
    return it == controls_.end() ? nullptr : it->second;
  }

  void Notify(ControlId id, Notification what, int item) {
    if (!result_) handler_.OnNotify(*this, id, what, item);
  }

  QWidget* ParentOf(const ControlTemplate& control) {
    if (control.page >= 0 && control.page < static_cast<int>(pages_.size()))
      return pages_[control.page];
    return this;
  }

  void AddTabs(const ControlTemplate& control, const std::vector<std::string>& pages) {
    auto* tabs = new QTabWidget(this);
    tabs->setGeometry(control.box.x, control.box.y, control.box.width, control.box.height);
    for (const std::string& title : pages) {
      pages_.push_back(new QWidget);
      tabs->addTab(pages_.back(), ToQ(title));
    }
    const ControlId id = control.id;
    connect(tabs, &QTabWidget::currentChanged, this,
            [this, id](int page) { Notify(id, Notification::kSelectionChanged, page); });
    controls_[id] = tabs;
  }

  void Add(const ControlTemplate& control) {
    QWidget* parent = ParentOf(control);
    const ControlId id = control.id;
    const QString text = ToQ(control.text);
    QWidget* w = nullptr;
    auto clicked = [this, id] { Notify(id, Notification::kClicked, -1); };
    switch (control.kind) {
      case ControlKind::kStatic:
        w = new QLabel(text, parent);
        break;
      case ControlKind::kGroup:
        w = new QGroupBox(text, parent);
        break;
      case ControlKind::kEdit: {
        auto* edit = new QLineEdit(text, parent);
        connect(edit, &QLineEdit::textEdited, this,
                [this, id] { Notify(id, Notification::kTextChanged, -1); });
        w = edit;
        break;
      }
      case ControlKind::kCheckBox: {
        auto* box = new QCheckBox(text, parent);
        connect(box, &QCheckBox::clicked, this, clicked);
        w = box;
        break;
      }
      case ControlKind::kRadio: {
        auto* radio = new QRadioButton(text, parent);
        QButtonGroup*& group = groups_[{control.page, control.group}];
        if (!group) group = new QButtonGroup(this);
        group->addButton(radio);
        connect(radio, &QRadioButton::clicked, this, clicked);
        w = radio;
        break;
      }
      case ControlKind::kButton: {
        auto* button = new QPushButton(text, parent);
        button->setDefault(control.defaultButton);
        button->setAutoDefault(control.defaultButton);
        connect(button, &QPushButton::clicked, this, clicked);
        w = button;
        break;
      }
      case ControlKind::kComboBox: {
        auto* combo = new QComboBox(parent);
        connect(combo, &QComboBox::activated, this,
                [this, id](int item) { Notify(id, Notification::kSelectionChanged, item); });
        w = combo;
        break;
      }
      case ControlKind::kCheckList: {
        auto* list = new QListWidget(parent);
        connect(list, &QListWidget::itemChanged, this, [this, id, list](QListWidgetItem* item) {
          Notify(id, Notification::kItemChecked, list->row(item));
        });
        connect(list, &QListWidget::currentRowChanged, this,
                [this, id](int row) { Notify(id, Notification::kSelectionChanged, row); });
        w = list;
        break;
      }
      case ControlKind::kCheckTree: {
        auto* tree = new QTreeWidget(parent);
        tree->setHeaderHidden(true);
        tree->setRootIsDecorated(false);
        connect(tree, &QTreeWidget::itemChanged, this, [this, id, tree](QTreeWidgetItem* item) {
          Notify(id, Notification::kItemChecked, tree->indexOfTopLevelItem(item));
        });
        connect(tree, &QTreeWidget::currentItemChanged, this,
                [this, id, tree](QTreeWidgetItem* item) {
                  Notify(id, Notification::kSelectionChanged,
                         item ? tree->indexOfTopLevelItem(item) : -1);
                });
        w = tree;
        break;
      }
      case ControlKind::kProgress: {
        auto* bar = new QProgressBar(parent);
        bar->setTextVisible(false);
        w = bar;
        break;
      }
      case ControlKind::kListBox: {
        auto* list = new QListWidget(parent);
        if (control.fixedPitch) {
          QFont font(QStringLiteral("Courier New"), 8);
          font.setStyleHint(QFont::TypeWriter);
          font.setFixedPitch(true);
          list->setFont(font);
        }
        connect(list, &QListWidget::currentRowChanged, this,
                [this, id](int row) { Notify(id, Notification::kSelectionChanged, row); });
        listBoxes_.insert(id);
        w = list;
        break;
      }
      case ControlKind::kDateTime: {
        auto* picker = new QDateTimeEdit(parent);
        picker->setLocale(QLocale::c());
        picker->setDisplayFormat(PickerFormat(control.format));
        picker->setCalendarPopup(control.format.find("yyyy") != std::string::npos);
        connect(picker, &QDateTimeEdit::dateTimeChanged, this,
                [this, id] { Notify(id, Notification::kTextChanged, -1); });
        w = picker;
        break;
      }
      case ControlKind::kSpin: {
        auto* spin = new QSpinBox(parent);
        spin->setRange(-kSpinLimit, kSpinLimit);
        connect(spin, &QSpinBox::valueChanged, this,
                [this, id] { Notify(id, Notification::kTextChanged, -1); });
        w = spin;
        break;
      }
      case ControlKind::kTabs:
        return;
    }
    w->setGeometry(control.box.x, control.box.y, control.box.width, control.box.height);
    if (id != kNoControl) controls_[id] = w;
  }

  DialogHandler& handler_;
  DialogWindow window_;
  std::optional<DialogResult> result_;
  std::map<ControlId, QWidget*> controls_;
  std::vector<QWidget*> pages_;
  std::map<std::pair<int, int>, QButtonGroup*> groups_;
  std::set<ControlId> listBoxes_;  // lists whose rows have no check boxes
};

LResult DialogWindow::OnMessage(Message message, WParam wParam, LParam lParam) {
  dialog_.Deliver(message, wParam, lParam);
  return 0;
}

}  // namespace

DialogResult RunDialog(const DialogTemplate& layout, DialogHandler& handler, WindowId owner) {
  QtDialog dialog(layout, handler, qt::WidgetOf(owner));
  handler.OnInit(dialog);
  // Called in place: a hook may keep state between dialogs.
  DialogHook& hook = Hook();
  const bool taken = hook && hook(layout, dialog, handler);
  if (!taken && !dialog.Result()) {
    dialog.setWindowModality(Qt::ApplicationModal);
    dialog.exec();
    // The program's loop ended under the dialog: that is its Cancel too.
    if (!dialog.Result()) dialog.Cancel();
  }
  return dialog.Result().value_or(DialogResult::Cancel);
}

DialogHook SetDialogHook(DialogHook hook) {
  return std::exchange(Hook(), std::move(hook));
}

}  // namespace ui
