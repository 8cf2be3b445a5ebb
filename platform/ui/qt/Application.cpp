#include "platform/ui/Application.h"

#include <QApplication>
#include <QThread>
#include <atomic>

#include "common/ErrorBox.h"
#include "platform/ui/MessageBox.h"
#include "platform/ui/qt/Dispatcher.h"
#include "platform/ui/qt/Monitors.h"

namespace ui {
namespace {

std::atomic<QThread*> gUiThread{nullptr};
// A quit asked for while a dialog's own loop ran (before the message loop,
// say) ends that loop only; the message loop then ends at once.
std::atomic<bool> gQuitAsked{false};
std::atomic<int> gQuitCode{0};

}  // namespace

struct Application::Impl {
  Impl(int& argc, char** argv) : app(argc, argv) {}
  QApplication app;
  qt::Dispatcher dispatcher;
  common::ErrorSink previousSink;
};

Application::Application(int& argc, char** argv) : impl_(std::make_unique<Impl>(argc, argv)) {
  gUiThread.store(QThread::currentThread());
  // The program keeps running in the tray with no window shown.
  QApplication::setQuitOnLastWindowClosed(false);
  qt::InstallMonitorQuery();
  impl_->previousSink = common::SetErrorSink(MessageBoxSink());
}

Application::~Application() {
  common::SetErrorSink(std::move(impl_->previousSink));
  qt::RemoveMonitorQuery();
  gUiThread.store(nullptr);
}

int Application::Run() {
  if (gQuitAsked.exchange(false)) return gQuitCode.load();
  const int code = QApplication::exec();
  gQuitAsked.store(false);
  return code;
}

void Application::Quit(int exitCode) {
  gQuitCode.store(exitCode);
  gQuitAsked.store(true);
  if (QCoreApplication* app = QCoreApplication::instance()) {
    QMetaObject::invokeMethod(
        app, [exitCode] { QCoreApplication::exit(exitCode); }, Qt::QueuedConnection);
  }
}

bool Application::IsUiThread() {
  QThread* ui = gUiThread.load();
  return ui && ui == QThread::currentThread();
}

}  // namespace ui
