#include "platform/ui/MessageBox.h"

#include <QCoreApplication>
#include <QMessageBox>
#include <atomic>
#include <mutex>

#include "platform/ui/Application.h"
#include "platform/ui/qt/Dispatcher.h"

namespace ui {
namespace {

std::atomic<WindowId> gOwner{kNoWindow};

std::mutex& HookMutex() {
  static std::mutex m;
  return m;
}

BoxHook& Hook() {
  static BoxHook hook;
  return hook;
}

QMessageBox::Icon IconOf(BoxIcon icon) {
  switch (icon) {
    case BoxIcon::Information:
      return QMessageBox::Information;
    case BoxIcon::Question:
      return QMessageBox::Question;
    case BoxIcon::Warning:
      break;
  }
  return QMessageBox::Warning;
}

QMessageBox::StandardButtons ButtonsOf(BoxButtons buttons) {
  switch (buttons) {
    case BoxButtons::OkCancel:
      return QMessageBox::Ok | QMessageBox::Cancel;
    case BoxButtons::YesNo:
      return QMessageBox::Yes | QMessageBox::No;
    case BoxButtons::Ok:
      break;
  }
  return QMessageBox::Ok;
}

DialogResult ResultOf(int button) {
  switch (button) {
    case QMessageBox::Ok:
      return DialogResult::Ok;
    case QMessageBox::Yes:
      return DialogResult::Yes;
    case QMessageBox::No:
      return DialogResult::No;
    default:
      return DialogResult::Cancel;
  }
}

}  // namespace

DialogResult ShowMessageBox(const BoxRequest& request) {
  BoxHook hook;
  {
    std::lock_guard lock(HookMutex());
    hook = Hook();
  }
  if (hook) return hook(request);
  QMessageBox box(IconOf(request.icon), QString::fromStdString(request.caption),
                  QString::fromStdString(request.text), ButtonsOf(request.buttons),
                  qt::WidgetOf(gOwner.load()));
  // Task-modal: no other window of the program takes input meanwhile.
  box.setWindowModality(Qt::ApplicationModal);
  return ResultOf(box.exec());
}

void PostMessageBox(BoxRequest request) {
  QCoreApplication* app = QCoreApplication::instance();
  if (!app) return;
  QMetaObject::invokeMethod(
      app, [request = std::move(request)] { ShowMessageBox(request); }, Qt::QueuedConnection);
}

common::ErrorSink MessageBoxSink() {
  return [](const std::string& caption, const std::string& text) {
    BoxRequest request{caption, text, BoxIcon::Warning, BoxButtons::Ok};
    if (Application::IsUiThread()) {
      ShowMessageBox(request);
    } else {
      PostMessageBox(std::move(request));
    }
  };
}

void SetBoxOwner(WindowId owner) {
  gOwner.store(owner);
}

BoxHook SetMessageBoxHook(BoxHook hook) {
  std::lock_guard lock(HookMutex());
  BoxHook previous = std::move(Hook());
  Hook() = std::move(hook);
  return previous;
}

}  // namespace ui
