#include "platform/ui/qt/Modal.h"

#include "platform/ui/qt/Dispatcher.h"

namespace ui::qt {

DialogResult RunModal(QDialog& dialog, WindowId owner) {
  if (QWidget* parent = WidgetOf(owner); parent && !dialog.parentWidget()) {
    dialog.setParent(parent, dialog.windowFlags() | Qt::Dialog);
  }
  dialog.setWindowModality(Qt::ApplicationModal);
  return dialog.exec() == QDialog::Accepted ? DialogResult::Ok : DialogResult::Cancel;
}

}  // namespace ui::qt
